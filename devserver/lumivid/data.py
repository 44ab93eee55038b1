"""The service's accounts, categories and moderators, loaded from a JSON file."""

import json
import os
from dataclasses import dataclass, field
from typing import Dict, List, Optional

DEFAULT_DATA_PATH = os.path.join(os.path.dirname(os.path.dirname(os.path.abspath(__file__))),
                                 "default_data.json")


@dataclass(frozen=True)
class User:
    username: str
    password: str
    contact_id: int
    show_moderators: bool
    first_name: str
    last_name: str
    email: str
    auth_key: str


@dataclass(frozen=True)
class Category:
    id: int
    parent: int
    name: str


@dataclass(frozen=True)
class Moderator:
    contact_id: int
    first_name: str
    last_name: str


@dataclass
class ServiceData:
    users: List[User] = field(default_factory=list)
    categories: List[Category] = field(default_factory=list)
    moderators: Dict[int, List[Moderator]] = field(default_factory=dict)
    file_types: str = ""
    upload_url: Optional[str] = None

    def login(self, username: str, password: str) -> Optional[User]:
        for user in self.users:
            if user.username == username and user.password == password:
                return user
        return None

    def user_by_auth_key(self, auth_key: str) -> Optional[User]:
        for user in self.users:
            if auth_key and user.auth_key == auth_key:
                return user
        return None

    def categories_below(self, parent: int) -> List[Category]:
        return [c for c in self.categories if c.parent == parent]

    def moderators_for(self, contact_id: int) -> List[Moderator]:
        return list(self.moderators.get(contact_id, []))


def parse_data(raw: dict) -> ServiceData:
    return ServiceData(
        users=[User(username=u["username"], password=u["password"],
                    contact_id=int(u["contact_id"]),
                    show_moderators=bool(u.get("show_moderators", True)),
                    first_name=u.get("first_name", ""), last_name=u.get("last_name", ""),
                    email=u.get("email", ""), auth_key=u["auth_key"])
               for u in raw.get("users", [])],
        categories=[Category(id=int(c["id"]), parent=int(c.get("parent", 0)), name=c["name"])
                    for c in raw.get("categories", [])],
        # JSON object keys are strings; contact ids are looked up as ints.
        moderators={int(contact): [Moderator(contact_id=int(m["contact_id"]),
                                             first_name=m.get("first_name", ""),
                                             last_name=m.get("last_name", ""))
                                   for m in mods]
                    for contact, mods in raw.get("moderators", {}).items()},
        file_types=raw.get("file_types", ""),
        upload_url=raw.get("upload_url"),
    )


def load_data(path: Optional[str] = None) -> ServiceData:
    with open(path or DEFAULT_DATA_PATH, encoding="utf-8") as f:
        return parse_data(json.load(f))
