#pragma once

#include <cstddef>

// One libcurl easy handle and its reply buffer, reused for every request of
// a connection. Used by one thread at a time (the opener, then the worker).
// A reply longer than the buffer fails its exchange.
class HttpTransport
{
public:
    static constexpr size_t replyCapacity = 4096;

    HttpTransport();
    ~HttpTransport();
    HttpTransport(const HttpTransport&) = delete;
    HttpTransport& operator=(const HttpTransport&) = delete;

    bool isValid() const { return handle != nullptr; }
    // True when the request completed with a status below 300: a sensor's
    // service has no reason to redirect, so a redirect is never followed.
    bool get(const char* url);
    // Sends `length` bytes of body and its terminating NUL.
    bool post(const char* url, const char* body, int length);

    // The last reply, NUL-terminated; valid until the next request.
    const char* reply() const { return buffer; }
    size_t replyLength() const { return length; }

private:
    static size_t append(char* data, size_t size, size_t count, void* self);
    void resetReply();
    bool perform();

    void* handle = nullptr;
    char buffer[replyCapacity + 1] = {};
    size_t length = 0;
};
