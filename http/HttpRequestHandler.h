// The callbacks the HTTP library calls for an HttpService: which connections are accepted, and what each request
// is answered with.
#pragma once

#include <microhttpd.h>

#include <cstdarg>

namespace tarnvale {

struct HttpRequestHandler {
    // service is the HttpService; only addresses on its allow list are accepted.
    static MHD_Result Accept(void* service, const sockaddr* address, socklen_t length);
    static MHD_Result Answer(void* service, MHD_Connection* connection, const char* url, const char* method,
                             const char* version, const char* uploadData, size_t* uploadSize, void** requestState);
    // A request is done (answered, or its client gone): its state goes.
    static void Completed(void* service, MHD_Connection* connection, void** requestState,
                          MHD_RequestTerminationCode code);
    // What the library reports: kept for Start's error, and logged.
    __attribute__((format(printf, 2, 0))) static void Log(void* service, const char* format, va_list arguments);
};

} // namespace tarnvale
