"""The HTTP server: Werkzeug's threaded server with a request handler that
passes the request line and header lines through exactly as received."""

import os
import socket
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


def listening_socket(host: str, port: int) -> socket.socket:
    """Bound with SO_REUSEADDR: the connections of the last run stay in
    TIME-WAIT for a minute after it stopped and must not hold the port from
    the next one (a port still listened on is refused all the same)."""
    sock = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
    try:
        sock.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
        sock.bind((host, port))
        sock.listen(socket.SOMAXCONN)
    except BaseException:
        sock.close()
        raise
    return sock


def serve(app, port: int, port_file: str = None, host: str = "127.0.0.1") -> None:
    with listening_socket(host, port) as listener:
        actual_port = listener.getsockname()[1]
        # Werkzeug serves on a duplicate of the socket it is handed.
        server = make_server(host, actual_port, app, threaded=True,
                             request_handler=LoggingRequestHandler, fd=listener.fileno())
        print(f"Lumivid local service on http://{host}:{actual_port}", flush=True)
        if port_file:
            write_port_file(port_file, actual_port)
        try:
            server.serve_forever()
        finally:
            server.server_close()
