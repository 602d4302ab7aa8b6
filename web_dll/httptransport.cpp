#include "web_dll/httptransport.h"

#include <curl/curl.h>

#include <cstring>
#include <mutex>

namespace {

void initialiseCurlOnce()
{
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

} // namespace

HttpTransport::HttpTransport()
{
    initialiseCurlOnce();
    CURL* curl = curl_easy_init();
    if (!curl)
        return;
    curl_easy_setopt(curl, CURLOPT_FAILONERROR, 1L);
    curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT, 5L);
    curl_easy_setopt(curl, CURLOPT_TIMEOUT, 5L);
    // Several connections run their exchanges on threads of their own; time-outs
    // must not rely on signals there.
    curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
    // Sensors sit on the local network: a proxy from the environment must not
    // carry their traffic elsewhere.
    curl_easy_setopt(curl, CURLOPT_NOPROXY, "*");
    // A sensor's service answers where it was asked: a redirect would credit
    // another device's answers to this sensor, or loop.
    curl_easy_setopt(curl, CURLOPT_FOLLOWLOCATION, 0L);
    curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, &HttpTransport::append);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, this);
    handle = curl;
}

HttpTransport::~HttpTransport()
{
    if (handle)
        curl_easy_cleanup(static_cast<CURL*>(handle));
}

size_t HttpTransport::append(char* data, size_t size, size_t count, void* self)
{
    auto* transport = static_cast<HttpTransport*>(self);
    const size_t bytes = size * count;
    // Refusing the block makes libcurl fail the exchange.
    if (bytes > replyCapacity - transport->length)
        return 0;
    std::memcpy(transport->buffer + transport->length, data, bytes);
    transport->length += bytes;
    return bytes;
}

void HttpTransport::resetReply()
{
    std::memset(buffer, 0, sizeof buffer);
    length = 0;
}

bool HttpTransport::perform()
{
    CURL* curl = static_cast<CURL*>(handle);
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, &HttpTransport::append);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, this);
    if (curl_easy_perform(curl) != CURLE_OK)
        return false;
    long status = 0;
    curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &status);
    return status < 300;
}

bool HttpTransport::get(const char* url)
{
    if (!handle)
        return false;
    resetReply();
    CURL* curl = static_cast<CURL*>(handle);
    curl_easy_setopt(curl, CURLOPT_URL, url);
    curl_easy_setopt(curl, CURLOPT_HTTPGET, 1L);
    return perform();
}

bool HttpTransport::post(const char* url, const char* body, int bodyLength)
{
    if (!handle || bodyLength < 0)
        return false;
    resetReply();
    CURL* curl = static_cast<CURL*>(handle);
    curl_easy_setopt(curl, CURLOPT_POST, 1L);
    curl_easy_setopt(curl, CURLOPT_URL, url);
    curl_easy_setopt(curl, CURLOPT_POSTFIELDS, body);
    // The body goes out with its terminating NUL as the last byte.
    curl_easy_setopt(curl, CURLOPT_POSTFIELDSIZE, static_cast<long>(bodyLength) + 1);
    return perform();
}
