"""Calls `mypy --strict` must reject (python.mypy_strict checks this file
with the package): each line's ignore names the error it must raise, and an
ignore that nothing needed fails the check (--warn-unused-ignores)."""

import clipferry


async def misuse(up: clipferry.Uploader) -> None:
    await up.upload_async("a.mp4", titel="typo")  # type: ignore[call-arg]
    await up.upload_async("a.mp4", title="t", categories="1")  # type: ignore[arg-type]
    await up.upload_async("a.mp4", title="t", progress=42)  # type: ignore[arg-type]
    up.upload("a.mp4", title="t", moderator="501")  # type: ignore[arg-type]
