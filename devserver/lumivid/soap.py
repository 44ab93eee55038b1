"""SOAP 1.1 operations at /0.1.1/api: UserLogin, GetFileTypes, GetCategories,
GetModerators. Answers are rpc/encoded envelopes with unprefixed payload
elements, as the client looks them up by their plain names."""

import xml.etree.ElementTree as ET
from typing import Callable, Dict, List, Optional, Tuple

from .data import ServiceData
from .xmltext import document, element

SOAP_ENV_NS = "http://schemas.xmlsoap.org/soap/envelope/"
SOAP_ENC_NS = "http://schemas.xmlsoap.org/soap/encoding/"
XSD_NS = "http://www.w3.org/2001/XMLSchema"
XSI_NS = "http://www.w3.org/2001/XMLSchema-instance"
DEFAULT_API_HOST_URL = "http://api.lumivid.example"
CONTENT_TYPE = "text/xml; charset=utf-8"


class SoapFault(Exception):
    def __init__(self, code: str, message: str):
        super().__init__(message)
        self.code = code
        self.message = message


def operation_from_action(soap_action: Optional[str]) -> str:
    """'"http://host/0.1.1/UserLogin"' -> 'UserLogin'."""
    if not soap_action:
        raise SoapFault("SOAP-ENV:Client", "Missing soapAction header")
    return soap_action.strip().strip('"').rsplit("/", 1)[-1]


def api_host_from_action(soap_action: Optional[str]) -> str:
    action = (soap_action or "").strip().strip('"')
    marker = action.rfind("/0.1.1/")
    return action[:marker] if marker > 0 else DEFAULT_API_HOST_URL


def local_name(tag: str) -> str:
    return tag.rsplit("}", 1)[-1]


def leaf_text(root: ET.Element, name: str) -> Optional[str]:
    """Text of the first childless element with this local name. Childless,
    because GetCategories wraps its ParentCategoryId leaf in a same-named element."""
    for el in root.iter():
        if local_name(el.tag) == name and len(el) == 0:
            return el.text or ""
    return None


def int_leaf(root: ET.Element, name: str) -> int:
    text = leaf_text(root, name)
    if text is None:
        raise SoapFault("SOAP-ENV:Client", f"Missing {name}")
    try:
        return int(text.strip())
    except ValueError:
        raise SoapFault("SOAP-ENV:Client", f"{name} is not an integer: {text!r}") from None


def typed(name: str, value, xsd_type: str = "xsd:string") -> str:
    return element(name, value, [("xsi:type", xsd_type)])


def user_login(data: ServiceData, body: ET.Element) -> List[str]:
    user = data.login(leaf_text(body, "Username") or "", leaf_text(body, "Password") or "")
    if user is None:
        return [typed("LoginStatus", 0, "xsd:int")]
    info = [
        typed("ContactId", user.contact_id, "xsd:int"),
        typed("ShowModerators", 1 if user.show_moderators else 0, "xsd:int"),
        typed("FirstName", user.first_name),
        typed("LastName", user.last_name),
        typed("EmailAddress", user.email),
        typed("AuthKey", user.auth_key),
    ]
    # UserLoginInformation must stay the last child of "return".
    return [typed("LoginStatus", 1, "xsd:int"),
            element("UserLoginInformation", info, [("xsi:type", "ns1:UserLoginInformation")])]


def result_list(items: List[str]) -> List[str]:
    return [typed("ResultCount", len(items), "xsd:int")] + items


def get_categories(data: ServiceData, body: ET.Element) -> List[str]:
    parent = int_leaf(body, "ParentCategoryId")
    return result_list([
        element("item", [typed("CategoryId", c.id, "xsd:int"), typed("CategoryName", c.name)])
        for c in data.categories_below(parent)])


def get_moderators(data: ServiceData, body: ET.Element) -> List[str]:
    contact_id = int_leaf(body, "ContactId")
    return result_list([
        element("item", [typed("ModeratorContactId", m.contact_id, "xsd:int"),
                         typed("ModeratorFirstName", m.first_name),
                         typed("ModeratorLastName", m.last_name)])
        for m in data.moderators_for(contact_id)])


def get_file_types(data: ServiceData, body: ET.Element) -> List[str]:
    return [typed("FileTypes", data.file_types)]


# Operation -> (handler, name of the element that wraps the answer).
Operation = Tuple[Callable[[ServiceData, ET.Element], List[str]], str]
OPERATIONS: Dict[str, Operation] = {
    "UserLogin": (user_login, "return"),
    "GetFileTypes": (get_file_types, "return"),
    "GetCategories": (get_categories, "GetCategoriesResult"),
    "GetModerators": (get_moderators, "GetModeratorsResult"),
}


def envelope(tns: str, body_content: str) -> bytes:
    attrs = [("xmlns:SOAP-ENV", SOAP_ENV_NS), ("xmlns:ns1", tns), ("xmlns:xsd", XSD_NS),
             ("xmlns:xsi", XSI_NS), ("xmlns:SOAP-ENC", SOAP_ENC_NS),
             ("SOAP-ENV:encodingStyle", SOAP_ENC_NS)]
    return document(element("SOAP-ENV:Envelope", [element("SOAP-ENV:Body", [body_content])], attrs))


def fault(tns: str, code: str, message: str) -> bytes:
    return envelope(tns, element("SOAP-ENV:Fault", [element("faultcode", code),
                                                    element("faultstring", message)]))


def handle(data: ServiceData, soap_action: Optional[str], body: bytes) -> Tuple[int, bytes]:
    """Answers one SOAP request: (HTTP status, envelope bytes)."""
    tns = api_host_from_action(soap_action) + "/0.1.0/"
    try:
        operation = operation_from_action(soap_action)
        if operation not in OPERATIONS:
            raise SoapFault("SOAP-ENV:Client", f"Unknown operation {operation!r}")
        try:
            root = ET.fromstring(body)
        except ET.ParseError as e:
            raise SoapFault("SOAP-ENV:Client", f"Malformed request envelope: {e}") from None
        soap_body = root.find(f"{{{SOAP_ENV_NS}}}Body")
        if local_name(root.tag) != "Envelope" or soap_body is None:
            raise SoapFault("SOAP-ENV:Client", "Request is not a SOAP envelope")
        handler, wrapper = OPERATIONS[operation]
        answer = element(f"ns1:{operation}Response", [element(wrapper, handler(data, soap_body))])
        return 200, envelope(tns, answer)
    except SoapFault as f:
        return 500, fault(tns, f.code, f.message)
