"""The HTTP server: Werkzeug's threaded server with a request handler that
passes the request line and header lines through exactly as received."""

import os
import tempfile

from werkzeug.serving import WSGIRequestHandler, make_server


class LoggingRequestHandler(WSGIRequestHandler):
    # Answer HTTP/1.1 so that bodies without a length go out chunked.
    protocol_version = "HTTP/1.1"

    def make_environ(self):
        environ = super().make_environ()
        # http.server keeps the header lines with their own case and order;
        # the WSGI environ does not. The target may be absolute-form, as a
        # proxy client sends it; Werkzeug already routes on its path alone.
        environ["lumivid.raw_headers"] = [(k, v) for k, v in self.headers.raw_items()]
        environ["lumivid.raw_target"] = self.path
        return environ


def write_port_file(path: str, port: int) -> None:
    """Written under a temporary name and renamed, so readers see all or nothing."""
    folder = os.path.dirname(os.path.abspath(path))
    fd, temp = tempfile.mkstemp(dir=folder, prefix=".port-")
    with os.fdopen(fd, "w") as f:
        f.write(f"{port}\n")
    os.replace(temp, path)


def serve(app, port: int, port_file: str = None, host: str = "127.0.0.1") -> None:
    server = make_server(host, port, app, threaded=True, request_handler=LoggingRequestHandler)
    actual_port = server.socket.getsockname()[1]
    print(f"Lumivid local service on http://{host}:{actual_port}", flush=True)
    if port_file:
        write_port_file(port_file, actual_port)
    try:
        server.serve_forever()
    finally:
        server.server_close()
