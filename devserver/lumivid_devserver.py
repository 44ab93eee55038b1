#!/usr/bin/python3
"""Local Lumivid service for Clipferry's tests and demo. See README.md."""

import argparse
import os
import shutil
import signal
import sys
import tempfile

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

from lumivid.app import create_app  # noqa: E402
from lumivid.data import load_data  # noqa: E402
from lumivid.server import serve  # noqa: E402
from lumivid.upload import remove_stored_files  # noqa: E402


def main() -> int:
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("--port", type=int, default=0, help="0 picks any free port")
    parser.add_argument("--port-file", help="where to write the port the server got")
    parser.add_argument("--data", help="JSON data file (default: default_data.json)")
    parser.add_argument("--storage", help="folder for uploaded files (default: a temp folder)")
    parser.add_argument("--keep-uploads", action="store_true",
                        help="keep the uploaded files after the service stops (by default they "
                             "are deleted when it stops; size and SHA-256 stay in /_control/)")
    args = parser.parse_args()

    storage = args.storage or tempfile.mkdtemp(prefix="lumivid-uploads-")
    os.makedirs(storage, exist_ok=True)
    if args.keep_uploads:
        print(f"Uploads are stored in {storage} and kept after the service stops", flush=True)
    else:
        print(f"Uploads are stored in {storage} while the service runs and deleted when it "
              "stops (--keep-uploads keeps them)", flush=True)
    # Leave through the normal path on SIGTERM so the listening socket is
    # closed and the uploads are removed.
    signal.signal(signal.SIGTERM, lambda *_: sys.exit(0))
    try:
        serve(create_app(load_data(args.data), storage), args.port, args.port_file)
    except KeyboardInterrupt:
        pass
    finally:
        if not args.keep_uploads:
            remove_stored_files()
            if args.storage is None:
                shutil.rmtree(storage, ignore_errors=True)
    return 0


if __name__ == "__main__":
    sys.exit(main())
