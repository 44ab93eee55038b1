"""Tests of the local Lumivid service, run against a real server process."""

import base64
import hashlib
import json
import os
import re
import socket
import tempfile
import threading
import time
import unittest
import uuid
from xml.dom import minidom

import soap_requests as soap
from service_process import ServiceProcess

service: ServiceProcess = None


def setUpModule():
    global service
    service = ServiceProcess()


def tearDownModule():
    service.stop()


def client_find(xml_bytes: bytes, qualified_name: str):
    """Finds an element the way the Clipferry client does: by qualified name,
    among the document's children, then the last child's children, and so on."""
    level = minidom.parseString(xml_bytes).childNodes
    while level:
        for node in level:
            if node.nodeName == qualified_name:
                return node
        level = level[-1].childNodes
    return None


def text_of(node, child_name: str) -> str:
    child = next(c for c in node.childNodes if c.nodeName == child_name)
    return "".join(t.data for t in child.childNodes)


def items(answer: bytes, result_name: str, fields):
    result = client_find(answer, result_name)
    rows = [tuple(text_of(item, f) for f in fields)
            for item in result.childNodes if item.nodeName == "item"]
    return int(text_of(result, "ResultCount")), rows


def call(operation: str, body: bytes, target="http://api.lumivid.example/0.1.1/api"):
    return service.request("POST", target, body, soap.soap_headers(operation))


def multipart(parts, boundary="------------------------d74496d66958873e"):
    """A form laid out as libcurl writes one; parts are (name, value) or
    (name, filename, content)."""
    out = b""
    for part in parts:
        out += f"--{boundary}\r\n".encode()
        if len(part) == 2:
            out += f'Content-Disposition: form-data; name="{part[0]}"\r\n\r\n'.encode()
            out += part[1].encode() + b"\r\n"
        else:
            out += (f'Content-Disposition: form-data; name="{part[0]}"; filename="{part[1]}"\r\n'
                    "Content-Type: application/octet-stream\r\n\r\n").encode()
            out += part[2] + b"\r\n"
    out += f"--{boundary}--\r\n".encode()
    return out, f"multipart/form-data; boundary={boundary}"


def upload_fields(auth_key="demo-auth-key-0017", title="Holiday", content=b"video-bytes",
                  file_name="holiday.mp4", **choices):
    """The form libcurl sends; choices replace category1..3 and moderator (None drops one)."""
    chosen = {"category1": "1", "category2": "11", "category3": "0", "moderator": "501"}
    chosen.update(choices)
    fields = [("Filename", file_name), ("tags", "sea sun"), ("terms", "1"),
              ("authkey", auth_key), ("title", title), ("contest", "0"),
              ("description", "Line one\nline two")] + list(chosen.items())
    if content is not None:
        fields.append(("userfile", file_name, content))
    fields.append(("Upload", "Submit Query"))
    return [f for f in fields if f[0] != "title" or title is not None if f[1] is not None]


def post_upload(parts):
    body, content_type = multipart(parts)
    return service.request("POST", "http://upload.lumivid.example/upload", body,
                           [("Host", "upload.lumivid.example"), ("Content-Type", content_type)])


def result_of(answer: bytes):
    status = re.search(rb"<status>(.*?)</status>", answer).group(1).decode()
    message = re.search(rb"<message>(.*?)</message>", answer, re.S).group(1).decode()
    return status, message


class ServiceTestCase(unittest.TestCase):
    def setUp(self):
        status, _ = service.control("POST", "reset", {})
        self.assertEqual(status, 200)


class SoapTest(ServiceTestCase):
    def test_login(self):
        cases = [  # username, password, status, contact, show moderators, auth key
            ("demo", "demo-password", "1", "17", "1", "demo-auth-key-0017"),
            ("solo", "solo-password", "1", "42", "0", "solo-auth-key-0042"),
            ("demo", "wrong", "0", None, None, None),
            ("nobody", "demo-password", "0", None, None, None),
        ]
        for username, password, status, contact, show, key in cases:
            with self.subTest(username=username, password=password):
                code, headers, answer = call("UserLogin", soap.user_login(username, password))
                self.assertEqual(code, 200)
                self.assertTrue(headers["Content-Type"].startswith("text/xml"))
                self.assertEqual(text_of(client_find(answer, "return"), "LoginStatus"), status)
                info = client_find(answer, "UserLoginInformation")
                if contact is None:
                    self.assertIsNone(info)
                    continue
                self.assertEqual(text_of(info, "ContactId"), contact)
                self.assertEqual(text_of(info, "ShowModerators"), show)
                self.assertEqual(text_of(info, "AuthKey"), key)
                for name in ("FirstName", "LastName", "EmailAddress"):
                    self.assertTrue(text_of(info, name))

    def test_answer_has_declaration_and_prefixed_response(self):
        _, _, answer = call("UserLogin", soap.user_login("demo", "demo-password"))
        self.assertTrue(answer.startswith(b'<?xml version="1.0" encoding="UTF-8"?>'))
        self.assertIsNotNone(client_find(answer, "ns1:UserLoginResponse"))
        self.assertIn(b'xmlns:ns1="http://api.lumivid.example/0.1.0/"', answer)

    def test_categories_by_parent(self):
        cases = [
            (0, [("1", "Film & Animation"), ("2", "Music"), ("3", "Travel")]),
            (1, [("11", "Short Films"), ("12", "Animation <2D/3D>")]),
            (999, []),
        ]
        for parent, expected in cases:
            with self.subTest(parent=parent):
                code, _, answer = call("GetCategories", soap.get_categories(parent))
                self.assertEqual(code, 200)
                count, rows = items(answer, "GetCategoriesResult", ("CategoryId", "CategoryName"))
                self.assertEqual((count, rows), (len(expected), expected))
        _, _, answer = call("GetCategories", soap.get_categories(0))
        self.assertIn(b"Film &amp; Animation", answer)

    def test_moderators_by_contact(self):
        cases = [(17, [("501", "Mia", "Moderator"), ("502", "Otto", "O'Neil")]), (42, []), (0, [])]
        for contact, expected in cases:
            with self.subTest(contact=contact):
                _, _, answer = call("GetModerators", soap.get_moderators(contact))
                count, rows = items(answer, "GetModeratorsResult",
                                    ("ModeratorContactId", "ModeratorFirstName",
                                     "ModeratorLastName"))
                self.assertEqual((count, rows), (len(expected), expected))

    def test_file_types(self):
        _, _, answer = call("GetFileTypes", soap.get_file_types())
        self.assertEqual(text_of(client_find(answer, "return"), "FileTypes"),
                         "*.mp4;*.mov;*.avi;*.wmv;*.mpg")

    def test_faults(self):
        cases = [  # what is wrong, headers, body
            ("malformed body", soap.soap_headers("UserLogin"), b"<SOAP-ENV:Envelope><unclosed"),
            ("unknown operation", soap.soap_headers("DeleteEverything"), soap.get_file_types()),
            ("no soapAction", soap.soap_headers("UserLogin")[:-1], soap.user_login("a", "b")),
            ("not an envelope", soap.soap_headers("GetFileTypes"), b"<hello/>"),
            ("bad integer", soap.soap_headers("GetModerators"),
             soap.get_moderators(17).replace(b">17<", b">x<")),
        ]
        for what, headers, body in cases:
            with self.subTest(what):
                code, _, answer = service.request("POST", "/0.1.1/api", body, headers)
                self.assertEqual(code, 500)
                self.assertIsNotNone(client_find(answer, "SOAP-ENV:Fault"))


class ProxyAndRecordingTest(ServiceTestCase):
    def test_absolute_form_target_is_served_and_recorded_as_sent(self):
        for target in ("http://upload.lumivid.example/upload.xml",
                       "http://some.other.host:8080/upload.xml", "/upload.xml"):
            with self.subTest(target=target):
                code, _, answer = service.request("GET", target, None, [("Host", "x")])
                self.assertEqual(code, 200)
                self.assertIn(f"<url>http://127.0.0.1:{service.port}</url>".encode(), answer)
        _, recorded = service.control("GET", "requests")
        self.assertEqual([r["target"] for r in recorded],
                         ["http://upload.lumivid.example/upload.xml",
                          "http://some.other.host:8080/upload.xml", "/upload.xml"])

    def test_headers_keep_case_and_order_and_body_is_kept(self):
        headers = [("Host", "api.lumivid.example"), ("Accept", "*/*"),
                   ("soapAction", '"http://api.lumivid.example/0.1.1/GetFileTypes"'),
                   ("content-type", "text/xml"), ("X-Repeated", "1"), ("X-Repeated", "2")]
        body = soap.get_file_types()
        service.request("POST", "http://api.lumivid.example/0.1.1/api", body, headers)
        _, recorded = service.control("GET", "requests")
        self.assertEqual(len(recorded), 1)
        entry = recorded[0]
        self.assertEqual(entry["method"], "POST")
        self.assertEqual([tuple(h) for h in entry["headers"]],
                         headers + [("Content-Length", str(len(body)))])
        self.assertEqual(base64.b64decode(entry["body_base64"]), body)
        self.assertEqual(entry["body_sha256"], hashlib.sha256(body).hexdigest())

    def test_control_requests_are_not_recorded_and_reset_clears(self):
        service.request("GET", "/upload.xml", None, [("Host", "x")])
        service.control("GET", "uploads")
        _, recorded = service.control("GET", "requests")
        self.assertEqual([r["path"] for r in recorded], ["/upload.xml"])
        service.control("POST", "reset", {})
        self.assertEqual(service.control("GET", "requests")[1], [])

    def test_upload_url_setting_and_reset(self):
        _, settings = service.control("POST", "settings", {"upload_url": "http://elsewhere:9"})
        self.assertEqual(settings["upload_url"], "http://elsewhere:9")
        self.assertIn(b"<url>http://elsewhere:9</url>",
                      service.request("GET", "/upload.xml", None, [("Host", "x")])[2])
        service.control("POST", "reset", {})
        self.assertIn(f"<url>http://127.0.0.1:{service.port}</url>".encode(),
                      service.request("GET", "/upload.xml", None, [("Host", "x")])[2])

    def test_bad_settings_are_refused(self):
        for payload in ({"store_uploads": "yes"}, {"no_such_setting": 1}, [1, 2]):
            with self.subTest(payload=payload):
                self.assertEqual(service.control("POST", "settings", payload)[0], 400)


class ScriptedResponseTest(ServiceTestCase):
    def script(self, **fields):
        status, answer = service.control("POST", "script", fields)
        self.assertEqual(status, 200, answer)

    def get_raw(self, path="/upload.xml"):
        return service.raw_exchange(f"GET http://h{path} HTTP/1.1\r\nHost: h\r\n\r\n".encode())

    def test_exact_answer_applies_the_given_number_of_times(self):
        body = b"<broken"
        self.script(path="/upload.xml", status=502, headers=[["X-Why", "scripted"]],
                    body_base64=base64.b64encode(body).decode(), times=2)
        for _ in range(2):
            code, headers, answer = service.request("GET", "/upload.xml", None, [("Host", "x")])
            self.assertEqual((code, headers["X-Why"], answer), (502, "scripted", body))
            self.assertNotIn("Content-Type", headers)
        code, _, answer = service.request("GET", "/upload.xml", None, [("Host", "x")])
        self.assertEqual(code, 200)
        self.assertIn(b"<upload>", answer)
        self.assertEqual(len(service.control("GET", "requests")[1]), 3)

    def test_scripts_queue_per_path(self):
        self.script(path="/0.1.1/api", status=500, body="first")
        self.script(path="/0.1.1/api", status=503, body="second")
        got = [call("UserLogin", soap.user_login("demo", "demo-password"))[::2] for _ in range(3)]
        self.assertEqual(got[:2], [(500, b"first"), (503, b"second")])
        self.assertEqual(got[2][0], 200)

    def test_chunks_go_out_as_separate_timed_chunks(self):
        self.script(path="/upload.xml", body="abcdefghij", chunks=[3, 4], delay_ms=150)
        started = time.monotonic()
        raw = self.get_raw()
        self.assertGreaterEqual(time.monotonic() - started, 0.29)
        head, _, body = raw.partition(b"\r\n\r\n")
        self.assertIn(b"Transfer-Encoding: chunked", head)
        self.assertEqual(body, b"3\r\nabc\r\n4\r\ndefg\r\n3\r\nhij\r\n0\r\n\r\n")

    def test_a_repeated_body_goes_out_whole_each_time(self):
        cases = [  # script, what the head holds
            (dict(body="abc", repeat=3), b"Content-Length: 9"),
            (dict(body="abc", chunks=[3], repeat=3), b"Transfer-Encoding: chunked"),
        ]
        for fields, expected_head in cases:
            with self.subTest(fields=fields):
                self.script(path="/upload.xml", **fields)
                head, _, body = self.get_raw().partition(b"\r\n\r\n")
                self.assertIn(expected_head, head)
                self.assertEqual(body.replace(b"3\r\n", b"").replace(b"\r\n", b"").rstrip(b"0"),
                                 b"abcabcabc")

    def test_drop_cases(self):
        cases = [  # script, what the client receives
            (dict(drop=True, body="never sent"), b""),
            (dict(drop=True, body="0123456789", chunks=[4], headers=[["Content-Length", "10"]]),
             b"0123"),
        ]
        for fields, expected_body in cases:
            with self.subTest(fields=fields):
                self.script(path="/upload.xml", **fields)
                raw = self.get_raw()
                if not expected_body:
                    self.assertEqual(raw, b"")
                else:
                    head, _, body = raw.partition(b"\r\n\r\n")
                    self.assertIn(b"Content-Length: 10", head)
                    self.assertEqual(body, expected_body)

    def test_request_body_is_recorded_even_when_dropped(self):
        self.script(path="/0.1.1/api", drop=True)
        body = soap.user_login("demo", "demo-password")
        with self.assertRaises(Exception):
            call("UserLogin", body)
        entry = service.control("GET", "requests")[1][0]
        self.assertEqual(base64.b64decode(entry["body_base64"]), body)

    def test_drop_after_a_read_limit_cuts_the_client_off_mid_body(self):
        self.script(path="/upload", read_limit=1000, drop=True)
        size = 64 << 20  # far more than the sockets' buffers hold
        head = (f"POST http://h/upload HTTP/1.1\r\nHost: h\r\n"
                f"Content-Length: {size}\r\n\r\n").encode()
        with self.assertRaises(OSError):  # reset or broken pipe, while still sending
            with socket.create_connection(("127.0.0.1", service.port), timeout=10) as sock:
                sock.sendall(head)
                block = bytes(1 << 20)
                for _ in range(size // len(block)):
                    sock.sendall(block)
        entry = service.control("GET", "requests")[1][0]
        self.assertLess(entry["body_size"], size)

    def test_a_held_answer_waits_for_the_release(self):
        self.script(path="/upload.xml", body="late", hold_ms=60000)
        answers = []
        asker = threading.Thread(target=lambda: answers.append(self.get_raw()))
        asker.start()
        for _ in range(1000):  # until the request is in
            if service.control("GET", "held")[1]["held"]:
                break
            time.sleep(0.01)
        self.assertEqual(answers, [])
        self.assertEqual(service.control("POST", "release", {})[1], {"released": 1})
        asker.join(10)
        self.assertTrue(answers[0].endswith(b"\r\n\r\nlate"))
        self.assertEqual(service.control("GET", "held")[1], {"held": 0})

    def test_bad_scripts_are_refused(self):
        for fields in ({"status": 500}, {"path": "/x", "chunks": [0]},
                       {"path": "/x", "body_base64": "***"}, {"path": "/x", "times": 0},
                       {"path": "/x", "read_limit": -1}, {"path": "/x", "repeat": 0},
                       {"path": "/x", "hold_ms": -1}):
            with self.subTest(fields=fields):
                self.assertEqual(service.control("POST", "script", fields)[0], 400)


class UploadTest(ServiceTestCase):
    def test_accepted_upload_is_recorded_in_order_and_stored(self):
        content = os.urandom(200_000) + b"\r\n--not-the-boundary\r\n"
        code, _, answer = post_upload(upload_fields(title='My "big" & <day>', content=content))
        self.assertEqual(code, 200)
        self.assertEqual(result_of(answer), (
            "SUCCESS",
            'Your video "My "big" &amp; &lt;day&gt;" was received and awaits moderation.'))
        upload = service.control("GET", "uploads")[1][0]
        expected_fields = [[p[0], p[1]] for p in upload_fields(title='My "big" & <day>')
                           if len(p) == 2]
        self.assertEqual(upload["fields"], expected_fields)
        self.assertEqual(upload["part_names"][-2:], ["userfile", "Upload"])
        self.assertEqual((upload["filename"], upload["content_type"], upload["size"]),
                         ("holiday.mp4", "application/octet-stream", len(content)))
        self.assertEqual(upload["sha256"], hashlib.sha256(content).hexdigest())
        with open(upload["stored_path"], "rb") as f:
            self.assertEqual(f.read(), content)

    def test_accepted_choices(self):
        cases = [
            ("capital type", upload_fields(file_name="HOLIDAY.MP4")),
            ("two dots", upload_fields(file_name="holiday.final.mov")),
            ("other moderator", upload_fields(moderator="502", category1="3")),
            ("no moderator", upload_fields(moderator="0")),
            ("own account, none", upload_fields(auth_key="solo-auth-key-0042", moderator="0")),
            ("first category only", upload_fields(category2=None, category3=None)),
        ]
        for what, parts in cases:
            with self.subTest(what):
                self.assertEqual(result_of(post_upload(parts)[2])[0], "SUCCESS")

    def test_refused_uploads(self):
        stored_before = os.listdir(service.storage)
        cases = [
            ("unknown key", upload_fields(auth_key="guess"), "Invalid auth key"),
            ("empty key", upload_fields(auth_key=""), "Invalid auth key"),
            ("no title", upload_fields(title=None), "A title is required"),
            ("no file", upload_fields(content=None), "No video file was received"),
            ("text file", upload_fields(file_name="notes.txt"),
             'The file "notes.txt" is not of a type Lumivid accepts '
             "(*.mp4, *.mov, *.avi, *.wmv, *.mpg)"),
            ("no type", upload_fields(file_name="holiday"),
             'The file "holiday" is not of a type Lumivid accepts '
             "(*.mp4, *.mov, *.avi, *.wmv, *.mpg)"),
            ("no category", upload_fields(category1=None), "A category is required"),
            ("category 0", upload_fields(category1="0"), "A category is required"),
            ("unknown category", upload_fields(category1="99"), "Unknown category 99"),
            ("unknown second", upload_fields(category2="98"), "Unknown category 98"),
            ("unknown third", upload_fields(category3="-4"), "Unknown category -4"),
            ("not a number", upload_fields(category1="one"), "Unknown category one"),
            ("unknown moderator", upload_fields(moderator="777"), "Unknown moderator 777"),
            ("another's moderator", upload_fields(auth_key="solo-auth-key-0042"),
             "Moderator 501 is not one this account may choose"),
        ]
        for what, parts, message in cases:
            with self.subTest(what):
                code, _, answer = post_upload(parts)
                self.assertEqual(code, 200)
                self.assertEqual(result_of(answer), ("UNSUCCESSFUL", message))
        uploads = service.control("GET", "uploads")[1]
        self.assertEqual([u["status"] for u in uploads], ["UNSUCCESSFUL"] * len(cases))
        self.assertTrue(all(u["stored_path"] is None for u in uploads))
        self.assertEqual(os.listdir(service.storage), stored_before)

    def test_count_and_hash_only_and_large_bodies_are_not_kept(self):
        service.control("POST", "settings", {"store_uploads": False})
        stored_before = os.listdir(service.storage)
        content = b"\0" * (9 << 20)
        code, _, answer = post_upload(upload_fields(content=content))
        self.assertEqual(result_of(answer)[0], "SUCCESS")
        upload = service.control("GET", "uploads")[1][0]
        self.assertEqual((upload["size"], upload["stored_path"]), (len(content), None))
        self.assertEqual(upload["sha256"], hashlib.sha256(content).hexdigest())
        self.assertEqual(os.listdir(service.storage), stored_before)
        entry = service.control("GET", "requests")[1][0]
        self.assertFalse(entry["body_kept"])
        self.assertIsNone(entry["body_base64"])
        self.assertGreater(entry["body_size"], len(content))

    def test_malformed_form_is_refused(self):
        code, _, answer = service.request("POST", "/upload", b"--x\r\nno end",
                                          [("Host", "h"), ("Content-Type",
                                                           "multipart/form-data; boundary=x")])
        self.assertEqual(code, 400)
        self.assertEqual(result_of(answer)[0], "UNSUCCESSFUL")


class StoppingTest(unittest.TestCase):
    def test_uploads_go_when_the_service_stops_unless_kept(self):
        global service
        for extra, kept in (([], False), (["--keep-uploads"], True)):
            with self.subTest(extra=extra):
                other = ServiceProcess(extra)
                saved, service = service, other
                try:
                    self.assertEqual(result_of(post_upload(upload_fields())[2])[0], "SUCCESS")
                    stored = other.control("GET", "uploads")[1][0]["stored_path"]
                    self.assertTrue(os.path.isfile(stored))
                    other.process.terminate()
                    other.process.wait(5)
                    self.assertEqual(os.path.isfile(stored), kept)
                    self.assertIn("kept after the service stops" if kept else
                                  "deleted when it stops", other.log_text())
                finally:
                    service = saved
                    other.stop()


class DataFileTest(unittest.TestCase):
    def test_service_uses_the_given_data_file(self):
        data = {"users": [{"username": "zoe", "password": "pw", "contact_id": 5,
                           "show_moderators": False, "auth_key": "k5"}],
                "categories": [{"id": 7, "parent": 0, "name": "Only"}],
                "file_types": "*.webm", "upload_url": "http://uploads.test"}
        with tempfile.NamedTemporaryFile("w", suffix=".json", delete=False) as f:
            json.dump(data, f)
        other = ServiceProcess(["--data", f.name])
        try:
            global service
            saved, service = service, other
            try:
                _, _, answer = call("UserLogin", soap.user_login("zoe", "pw"))
                self.assertEqual(text_of(client_find(answer, "UserLoginInformation"),
                                         "AuthKey"), "k5")
                _, _, answer = call("GetCategories", soap.get_categories(0))
                self.assertEqual(items(answer, "GetCategoriesResult",
                                       ("CategoryId", "CategoryName"))[1], [("7", "Only")])
                self.assertIn(b"<url>http://uploads.test</url>",
                              other.request("GET", "/upload.xml", None, [("Host", "h")])[2])
            finally:
                service = saved
        finally:
            other.stop()
            os.unlink(f.name)


if __name__ == "__main__":
    unittest.main()
