#include "net/http_address.h"

#include <windows.h>
#include <wininet.h>

#include <algorithm>

#include "net/http_errors.h"
#include "rtl/utf8.h"
#include "rtl/wide.h"

namespace {
constexpr DWORD kCombinedUrlSize = 2055;

bool RefuseTooLong(const std::string& url)
{
    if (rtl::Utf16Length(url) <= rtl::kMaxAddressLength)
        return false;
    SetLastError(kErrorAddressTooLong);
    return true;
}

bool Combine(const std::string& base, const std::string& reference, DWORD size, std::string& url)
{
    std::wstring buffer(size, L'\0');
    DWORD length = size;
    // Wine's combine can fail on a result too long for the buffer without setting an error.
    SetLastError(0);
    if (!InternetCombineUrlW(rtl::Utf8ToWide(base).c_str(), rtl::Utf8ToWide(reference).c_str(), &buffer[0],
                             &length, ICU_ENCODE_SPACES_ONLY)) {
        if (GetLastError() == 0)
            SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return false;
    }
    url = rtl::WideToUtf8(buffer.data(), std::min<DWORD>(length, size - 1));
    return true;
}
} // namespace

bool SplitHttpAddress(const std::string& url, THttpAddressParts& parts)
{
    wchar_t host[256], user[128], pass[128], path[2048], extra[2048];
    URL_COMPONENTSW uc = {};
    uc.dwStructSize = sizeof uc;
    uc.lpszHostName = host;
    uc.dwHostNameLength = 256;
    uc.lpszUserName = user;
    uc.dwUserNameLength = 128;
    uc.lpszPassword = pass;
    uc.dwPasswordLength = 128;
    uc.lpszUrlPath = path;
    uc.dwUrlPathLength = 2048;
    uc.lpszExtraInfo = extra;
    uc.dwExtraInfoLength = 2048;
    if (RefuseTooLong(url))
        return false;
    const std::wstring wide = rtl::Utf8ToWide(url);
    if (!InternetCrackUrlW(wide.c_str(), static_cast<DWORD>(wide.size()), ICU_ESCAPE, &uc))
        return false;
    parts.Scheme = uc.nScheme == INTERNET_SCHEME_HTTPS  ? THttpAddressParts::asHttps
                   : uc.nScheme == INTERNET_SCHEME_HTTP ? THttpAddressParts::asHttp
                                                        : THttpAddressParts::asOther;
    parts.HostName = rtl::WideToUtf8(host, uc.dwHostNameLength);
    parts.Port = uc.nPort;
    parts.URLPath = rtl::WideToUtf8(path, uc.dwUrlPathLength);
    parts.ExtraInfo = rtl::WideToUtf8(extra, uc.dwExtraInfoLength);
    parts.UserName = rtl::WideToUtf8(user, uc.dwUserNameLength);
    parts.Password = rtl::WideToUtf8(pass, uc.dwPasswordLength);
    return true;
}

bool BuildHttpAddress(bool ssl, const std::string& hostName, int port, const std::string& relative,
                      std::string& url)
{
    std::string base = ssl ? "https://" : "http://";
    base += hostName;
    if (port != 80)
        base += ":" + std::to_string(port);
    return Combine(base, relative, kCombinedUrlSize, url);
}

bool ResolveHttpAddress(const std::string& base, const std::string& reference, std::string& url)
{
    if (RefuseTooLong(reference))
        return false;
    // Room for one unit more than an address may have: a result that does not fit is too long.
    if (!Combine(base, reference, rtl::kMaxAddressLength + 2, url)) {
        if (GetLastError() == ERROR_INSUFFICIENT_BUFFER)
            SetLastError(kErrorAddressTooLong);
        return false;
    }
    return !RefuseTooLong(url);
}
