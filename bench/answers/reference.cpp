// The answer benchmark's reference: the least a program must do for the same
// list. A bare libcurl POST of the categories call through the same proxy into
// a growing string, a libxml2 parse of it, and a walk over the items reading
// each id and name; reports on one line
//   result=R seconds=S items=N name_bytes=B peak_rss_kib=K
//
//   reference PROXY COUNT URL
#include <curl/curl.h>
#include <libxml/parser.h>
#include <libxml/tree.h>
#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

size_t Collect(char* data, size_t size, size_t count, void* target) {
    static_cast<std::string*>(target)->append(data, size * count);
    return size * count;
}

bool Named(xmlNodePtr node, const char* name) {
    return node->type == XML_ELEMENT_NODE && std::strcmp(reinterpret_cast<const char*>(node->name), name) == 0;
}

// Depth-first, the first element of that name.
xmlNodePtr Find(xmlNodePtr node, const char* name) {
    for (; node != nullptr; node = node->next) {
        if (Named(node, name)) return node;
        if (xmlNodePtr found = Find(node->children, name)) return found;
    }
    return nullptr;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: %s PROXY COUNT URL\n", argv[0]);
        return 2;
    }
    const long count = std::atol(argv[2]);
    const std::string envelope =
        "<?xml version=\"1.0\"?><SOAP-ENV:Envelope xmlns:SOAP-ENV=\"http://schemas.xmlsoap.org/soap/envelope/\" "
        "xmlns:xsd=\"http://www.w3.org/2001/XMLSchema\" xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\">"
        "<SOAP-ENV:Body><tns:GetCategories xmlns:tns=\"x\"><ParentCategoryId xsi:type=\"tns:GetCategoriesRequest\">"
        "<ParentCategoryId xsi:type=\"xsd:int\">" +
        std::to_string(count) + "</ParentCategoryId></ParentCategoryId></tns:GetCategories></SOAP-ENV:Body>"
        "</SOAP-ENV:Envelope>";
    curl_global_init(CURL_GLOBAL_DEFAULT);
    xmlInitParser();

    const auto start = std::chrono::steady_clock::now();
    std::string body;
    CURL* easy = curl_easy_init();
    curl_slist* headers = curl_slist_append(nullptr, "Expect:");
    headers = curl_slist_append(headers, "Content-type: text/xml; charset=utf-8");
    curl_easy_setopt(easy, CURLOPT_PROXY, argv[1]);
    curl_easy_setopt(easy, CURLOPT_HTTPHEADER, headers);
    curl_easy_setopt(easy, CURLOPT_URL, argv[3]);
    curl_easy_setopt(easy, CURLOPT_POSTFIELDS, envelope.c_str());
    curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, Collect);
    curl_easy_setopt(easy, CURLOPT_WRITEDATA, &body);
    const CURLcode sent = curl_easy_perform(easy);
    curl_slist_free_all(headers);
    curl_easy_cleanup(easy);

    long items = 0;
    long long idSum = 0;
    long long nameBytes = 0;
    xmlDocPtr doc = xmlReadMemory(body.data(), int(body.size()), nullptr, nullptr, XML_PARSE_NONET);
    std::string().swap(body);
    if (doc != nullptr) {
        xmlNodePtr result = Find(xmlDocGetRootElement(doc), "GetCategoriesResult");
        for (xmlNodePtr item = result != nullptr ? result->children : nullptr; item != nullptr; item = item->next) {
            if (!Named(item, "item")) continue;
            ++items;
            for (xmlNodePtr field = item->children; field != nullptr; field = field->next) {
                if (!Named(field, "CategoryId") && !Named(field, "CategoryName")) continue;
                xmlChar* text = xmlNodeGetContent(field);
                if (Named(field, "CategoryId"))
                    idSum += std::atol(reinterpret_cast<const char*>(text));
                else
                    nameBytes += long(std::strlen(reinterpret_cast<const char*>(text)));
                xmlFree(text);
            }
        }
        xmlFreeDoc(doc);
    }
    const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;

    struct rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    std::printf("result=%d seconds=%.6f items=%ld name_bytes=%lld peak_rss_kib=%ld\n", int(sent), elapsed.count(),
                items, nameBytes, usage.ru_maxrss);
    return sent == CURLE_OK && items == count ? 0 : 1;
}
