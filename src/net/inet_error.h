#pragma once
#include "rtl/exceptions.h"

// A failing WinInet call; the message is the library's own text for the error code.
class EInetError : public Exception {
public:
    using Exception::Exception;
};
