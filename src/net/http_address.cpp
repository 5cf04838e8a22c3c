#include "net/http_address.h"

#include <windows.h>
#include <wininet.h>

#include <algorithm>

namespace {
constexpr DWORD kCombinedUrlSize = 2055;
}

bool SplitHttpAddress(const std::string& url, THttpAddressParts& parts)
{
    char host[256], user[128], pass[128], path[2048], extra[2048];
    URL_COMPONENTSA uc = {};
    uc.dwStructSize = sizeof uc;
    uc.lpszHostName = host;
    uc.dwHostNameLength = sizeof host;
    uc.lpszUserName = user;
    uc.dwUserNameLength = sizeof user;
    uc.lpszPassword = pass;
    uc.dwPasswordLength = sizeof pass;
    uc.lpszUrlPath = path;
    uc.dwUrlPathLength = sizeof path;
    uc.lpszExtraInfo = extra;
    uc.dwExtraInfoLength = sizeof extra;
    if (!InternetCrackUrlA(url.c_str(), static_cast<DWORD>(url.size()), ICU_ESCAPE, &uc))
        return false;
    parts.Scheme = uc.nScheme == INTERNET_SCHEME_HTTPS  ? THttpAddressParts::asHttps
                   : uc.nScheme == INTERNET_SCHEME_HTTP ? THttpAddressParts::asHttp
                                                        : THttpAddressParts::asOther;
    parts.HostName.assign(host, uc.dwHostNameLength);
    parts.Port = uc.nPort;
    parts.URLPath.assign(path, uc.dwUrlPathLength);
    parts.ExtraInfo.assign(extra, uc.dwExtraInfoLength);
    parts.UserName.assign(user, uc.dwUserNameLength);
    parts.Password.assign(pass, uc.dwPasswordLength);
    return true;
}

bool BuildHttpAddress(bool ssl, const std::string& hostName, int port, const std::string& relative,
                      std::string& url)
{
    std::string base = ssl ? "https://" : "http://";
    base += hostName;
    if (port != 80)
        base += ":" + std::to_string(port);
    char buffer[kCombinedUrlSize];
    DWORD length = kCombinedUrlSize;
    // Wine's combine can fail on a result too long for the buffer without setting an error.
    SetLastError(0);
    if (!InternetCombineUrlA(base.c_str(), relative.c_str(), buffer, &length, ICU_ENCODE_SPACES_ONLY)) {
        if (GetLastError() == 0)
            SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return false;
    }
    url.assign(buffer, std::min<DWORD>(length, kCombinedUrlSize - 1));
    return true;
}

bool ResolveHttpAddress(const std::string& base, const std::string& reference, std::string& url)
{
    char buffer[kCombinedUrlSize];
    DWORD length = kCombinedUrlSize;
    SetLastError(0);
    if (!InternetCombineUrlA(base.c_str(), reference.c_str(), buffer, &length, ICU_ENCODE_SPACES_ONLY)) {
        if (GetLastError() == 0)
            SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return false;
    }
    url.assign(buffer, std::min<DWORD>(length, kCombinedUrlSize - 1));
    return true;
}
