#pragma once
#include <string>

// An HTTP or HTTPS address taken apart. Scheme tells which of the two it was, or neither.
struct THttpAddressParts {
    enum TScheme { asHttp, asHttps, asOther };
    TScheme Scheme = asOther;
    std::string HostName;
    int Port = 0;
    std::string URLPath;
    std::string ExtraInfo;
    std::string UserName;
    std::string Password;
};

// Splits an absolute address as WinInet does, escaping unsafe characters. False, with the thread's
// last error set, when WinInet cannot or the address is longer than kMaxAddressLength
// (kErrorAddressTooLong); parts are then left as they were.
bool SplitHttpAddress(const std::string& url, THttpAddressParts& parts);

// The address of a path with its extra info on a host; the port is named only where it is not 80.
// False, with the thread's last error set, when WinInet cannot combine them; url is then left alone.
bool BuildHttpAddress(bool ssl, const std::string& hostName, int port, const std::string& relative,
                      std::string& url);

// A reference found in a response (a Location header) resolved against the address it came
// from, as WinInet combines them. False, with the thread's last error set, when it cannot, and
// when the reference or the result is longer than kMaxAddressLength (kErrorAddressTooLong).
bool ResolveHttpAddress(const std::string& base, const std::string& reference, std::string& url);
