"""The service's verdict on a parsed upload form: what it refuses, in the
words a user reads, so a host can rehearse every refusal locally."""

import fnmatch
import os
from typing import List, Optional, Tuple

from .data import ServiceData, User
from .upload import ReceivedForm

NO_CHOICE = 0  # "category2", "category3" and "moderator" of 0 mean none chosen


def accepted_patterns(file_types: str) -> List[str]:
    """'*.mp4;*.mov' -> ['*.mp4', '*.mov']; an empty list accepts any file."""
    return [p.strip() for p in file_types.split(";") if p.strip()]


def file_type_accepted(file_name: str, file_types: str) -> bool:
    patterns = accepted_patterns(file_types)
    # Windows hosts send names as the user typed them: CLIP.MP4 is an mp4.
    name = os.path.basename(file_name.replace("\\", "/")).lower()
    return not patterns or any(fnmatch.fnmatchcase(name, p.lower()) for p in patterns)


def _choice(form: ReceivedForm, name: str) -> Tuple[Optional[int], str]:
    """The field as an id (None when it is not a number) and its text; absent is 0."""
    text = (form.value(name) or str(NO_CHOICE)).strip()
    try:
        return int(text), text
    except ValueError:
        return None, text


def _category_problem(form: ReceivedForm, data: ServiceData) -> Optional[str]:
    known = {c.id for c in data.categories}
    for name in ("category1", "category2", "category3"):
        number, text = _choice(form, name)
        if name == "category1" and number == NO_CHOICE:
            return "A category is required"
        if number != NO_CHOICE and number not in known:
            return f"Unknown category {text}"
    return None


def _moderator_problem(form: ReceivedForm, data: ServiceData, user: User) -> Optional[str]:
    number, text = _choice(form, "moderator")
    if number == NO_CHOICE:
        return None
    if number in {m.contact_id for m in data.moderators_for(user.contact_id)}:
        return None
    other_accounts = {m.contact_id for mods in data.moderators.values() for m in mods}
    if number in other_accounts:
        return f"Moderator {text} is not one this account may choose"
    return f"Unknown moderator {text}"


def judge(form: ReceivedForm, data: ServiceData) -> Tuple[bool, str]:
    """(accepted, message): the first problem found, else the acceptance."""
    user = data.user_by_auth_key(form.value("authkey") or "")
    if user is None:
        return False, "Invalid auth key"
    title = (form.value("title") or "").strip()
    if not title:
        return False, "A title is required"
    video = next((f for f in form.files if f.field == "userfile"), None)
    if video is None:
        return False, "No video file was received"
    file_name = video.filename or form.value("Filename") or ""
    if not file_type_accepted(file_name, data.file_types):
        accepted = ", ".join(accepted_patterns(data.file_types))
        return False, f'The file "{file_name}" is not of a type Lumivid accepts ({accepted})'
    problem = _category_problem(form, data) or _moderator_problem(form, data, user)
    if problem:
        return False, problem
    return True, f'Your video "{title}" was received and awaits moderation.'
