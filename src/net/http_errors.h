#pragma once
#include <windows.h>

#include <string>

#include "rtl/exceptions.h"

// A failing WinInet call; the message is InetFailureText of its error code.
class EInetError : public Exception {
public:
    using Exception::Exception;
};

// LastError of a response body over MaxBodySize; InetFailureText names it.
constexpr int kErrorBodyTooLarge = ERROR_FILE_TOO_LARGE;

// LastError of a response whose header is over the limits of MaxHeaderLines.
constexpr int kErrorHeadersTooLarge = ERROR_BUFFER_OVERFLOW;

// LastError of an address longer than kMaxAddressLength, which is never handed to WinInet.
constexpr int kErrorAddressTooLong = ERROR_FILENAME_EXCED_RANGE;

// The message of a Windows or WinInet error code, from wininet.dll's message table.
std::string InetErrorText(int code);

// InetErrorText, or another text naming the failure where WinInet has none.
std::string InetFailureText(int code);
