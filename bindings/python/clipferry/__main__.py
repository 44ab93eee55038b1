"""python3 -m clipferry: a small command showing the package at work.

    python3 -m clipferry [--user NAME] login | categories | upload FILE --title T [...]

The password comes from CLIPFERRY_PASSWORD, else it is asked at the terminal.
"""

from __future__ import annotations

import argparse
import getpass
import os
import sys
import time
from collections.abc import Callable

from . import ClipferryError, Uploader
from ._contract import EXIT_STATUS
from ._uploader import CategoryNode


def _print_tree(nodes: list[CategoryNode], depth: int = 0) -> None:
    for node in nodes:
        print(f"{'  ' * depth}{node.category.id} {node.category.name}")
        _print_tree(list(node.children), depth + 1)


def _progress_line(name: str) -> Callable[[int, int], None]:
    """A progress callable that redraws one line at most ten times a second."""
    last = [0.0, -1]

    def show(sent: int, total: int) -> None:
        now, percent = time.monotonic(), sent * 100 // total if total else 0
        if total and percent != last[1] and (now - last[0] >= 0.1 or sent >= total):
            last[:] = [now, percent]
            print(f"\r{name}: {percent:3d}% of {total} bytes", end="", file=sys.stderr, flush=True)

    return show


def _maybe_received(error: BaseException) -> str:
    if not getattr(error, "may_have_been_received", False):
        return ""
    return ("; the whole file had gone out, so Lumivid may have received it:"
            " look among your videos before sending it again")


def main(argv: list[str] | None = None) -> int:
    parser = argparse.ArgumentParser(prog="python3 -m clipferry",
                                     description="Publish videos to Lumivid with the clipferry package.")
    parser.add_argument("--user", default=os.environ.get("CLIPFERRY_USER", "demo"),
                        help="the Lumivid user (default: CLIPFERRY_USER, else demo)")
    commands = parser.add_subparsers(dest="command", required=True)
    commands.add_parser("login", help="log in and say so")
    commands.add_parser("categories", help="list the category tree")
    upload = commands.add_parser("upload", help="publish one file")
    upload.add_argument("file")
    upload.add_argument("--title", required=True)
    upload.add_argument("--description", default="")
    upload.add_argument("--tags", default="", help="words separated by spaces")
    upload.add_argument("--category", type=int, action="append", default=[],
                        help="a category id; up to three times")
    upload.add_argument("--moderator", type=int, default=0)
    options = parser.parse_args(argv)

    try:
        password = os.environ.get("CLIPFERRY_PASSWORD") or getpass.getpass(f"password for {options.user}: ")
        with Uploader() as up:
            up.login(options.user, password)
            if options.command == "login":
                print(f"logged in as {options.user}")
            elif options.command == "categories":
                _print_tree(up.category_tree())
            else:
                show = _progress_line(os.path.basename(options.file))
                verdict = up.upload(options.file, title=options.title, description=options.description,
                                    tags=options.tags, categories=options.category,
                                    moderator=options.moderator, progress=show)
                print(file=sys.stderr)
                print(f"{'accepted' if verdict.accepted else 'refused'}: {verdict.message}")
                return 0 if verdict.accepted else EXIT_STATUS["refused"]
    except EOFError:  # end of input at the password prompt
        print("\npython3 -m clipferry: no password given", file=sys.stderr)
        return 1
    except (ClipferryError, OSError, ValueError) as error:
        print(f"python3 -m clipferry: {error}{_maybe_received(error)}", file=sys.stderr)
        return 1
    except KeyboardInterrupt as interrupt:  # the upload under way was cancelled before this came up
        print(f"\npython3 -m clipferry: interrupted{_maybe_received(interrupt)}", file=sys.stderr)
        return 130
    return 0


if __name__ == "__main__":
    sys.exit(main())
