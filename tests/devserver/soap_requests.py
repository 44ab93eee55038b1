"""Request envelopes shaped as the Clipferry library writes them."""

API_HOST = "http://api.lumivid.example"
ENV_ATTRS = ('xmlns:SOAP-ENV="http://schemas.xmlsoap.org/soap/envelope/" '
             'xmlns:xsd="http://www.w3.org/2001/XMLSchema" '
             'xmlns:xsi="http://www.w3.org/2001/XMLSchema-instance"')


def envelope(operation: str, inner: str) -> bytes:
    return (f'<?xml version="1.0"?><SOAP-ENV:Envelope {ENV_ATTRS}>'
            '<SOAP-ENV:Body SOAP-ENV:encodingStyle="http://schemas.xmlsoap.org/soap/encoding/">'
            f'<tns:{operation} xmlns:tns="{API_HOST}/0.1.0/">{inner}</tns:{operation}>'
            '</SOAP-ENV:Body></SOAP-ENV:Envelope>').encode()


def user_login(username: str, password: str) -> bytes:
    return envelope("UserLogin",
                    '<UserLoginRequest xsi:type="tns:UserLoginRequest">\t'
                    f'<Username xsi:type="xsd:string">{username}</Username>\t'
                    f'<Password xsi:type="xsd:string">{password}</Password>'
                    '</UserLoginRequest>')


def get_categories(parent: int) -> bytes:
    return envelope("GetCategories",
                    '<ParentCategoryId xsi:type="tns:GetCategoriesRequest">'
                    f'<ParentCategoryId xsi:type="xsd:int">{parent}</ParentCategoryId>'
                    '</ParentCategoryId>')


def get_moderators(contact_id: int) -> bytes:
    return envelope("GetModerators",
                    '<GetModeratorsRequest xsi:type="tns:GetModeratorsRequest">'
                    f'<ContactId xsi:type="xsd:int">{contact_id}</ContactId>'
                    '</GetModeratorsRequest>')


def get_file_types() -> bytes:
    return envelope("GetFileTypes",
                    '<GetFileTypesRequest xsi:type="tns:GetFileTypesRequest">'
                    '<MediaTypeId xsi:type="xsd:int">1</MediaTypeId></GetFileTypesRequest>')


def soap_headers(operation: str):
    return [("Host", "api.lumivid.example"), ("Accept", "*/*"),
            ("Content-Type", "text/xml"),
            ("soapAction", f'"{API_HOST}/0.1.1/{operation}"')]
