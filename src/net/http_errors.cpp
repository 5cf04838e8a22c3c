#include "net/http_errors.h"

#include <wininet.h>

#include <algorithm>
#include <vector>

#include "rtl/wide.h"

namespace {

bool HasText(const std::string& text)
{
    return text.find_first_not_of(" \r\n") != std::string::npos;
}

// Wine's WinInet names none of the certificate failures.
const char* CertificateFailureText(int code)
{
    static const struct {
        int Code;
        const char* Text;
    } texts[] = {
        {ERROR_INTERNET_SEC_CERT_DATE_INVALID, "Das Zertifikat des Servers ist abgelaufen oder noch nicht gültig"},
        {ERROR_INTERNET_SEC_CERT_CN_INVALID, "Das Zertifikat des Servers gilt für einen anderen Namen"},
        {ERROR_INTERNET_INVALID_CA, "Das Zertifikat des Servers stammt von keiner vertrauenswürdigen Stelle"},
        {ERROR_INTERNET_SEC_CERT_ERRORS, "Das Zertifikat des Servers ist fehlerhaft"},
        {ERROR_INTERNET_SEC_CERT_NO_REV, "Das Zertifikat des Servers kann nicht auf Widerruf geprüft werden"},
        // Also what an unknown authority gives under Wine.
        {ERROR_INTERNET_SEC_CERT_REV_FAILED, "Das Zertifikat des Servers konnte nicht bestätigt werden"},
        {ERROR_INTERNET_SEC_INVALID_CERT, "Das Zertifikat des Servers ist ungültig"},
        {ERROR_INTERNET_SEC_CERT_REVOKED, "Das Zertifikat des Servers wurde widerrufen"},
    };
    for (const auto& t : texts)
        if (t.Code == code)
            return t.Text;
    return nullptr;
}

// The server's own text of the last extended error. A text longer than the buffer is fetched
// whole into a buffer of its size and cut to what the fixed buffer holds.
std::string LastResponseInfo(DWORD& serverError)
{
    std::vector<wchar_t> info(4097);
    DWORD length = static_cast<DWORD>(info.size());
    if (!InternetGetLastResponseInfoW(&serverError, info.data(), &length)) {
        if (GetLastError() == ERROR_INSUFFICIENT_BUFFER && length > info.size()) {
            info.assign(length + 1, L'\0');
            DWORD full = length + 1;
            if (!InternetGetLastResponseInfoW(&serverError, info.data(), &full))
                full = 0;
            length = std::min<DWORD>(full, 4096);
        } else {
            length = 0;
        }
    }
    length = std::min<DWORD>(length, 4096);
    std::wstring response(info.data(), length);
    std::size_t zero = response.find(L'\0');
    if (zero != std::wstring::npos)
        response.resize(zero);
    return rtl::WideToUtf8(response);
}

} // namespace

std::string InetErrorText(int code)
{
    wchar_t message[256];
    DWORD n = FormatMessageW(FORMAT_MESSAGE_FROM_HMODULE, GetModuleHandleW(L"wininet.dll"),
                             static_cast<DWORD>(code), 0, message, 256, nullptr);
    std::string text = rtl::WideToUtf8(message, std::min<DWORD>(n, 255));
    if (code == ERROR_INTERNET_EXTENDED_ERROR) {
        DWORD serverError = 0;
        std::string response = LastResponseInfo(serverError);
        text = text + "\r\nExtended error:" + std::to_string(static_cast<int>(serverError)) + " - " + response +
               "\r\n";
    }
    return text;
}

// WinInet's own text, else the system's, else one of ours, else the bare number, so that a failure
// is never reported by an empty message box.
std::string InetFailureText(int code)
{
    if (code == kErrorBodyTooLarge)
        return "Das Dokument ist zu groß";
    if (code == kErrorHeadersTooLarge)
        return "Die Antwort des Servers hat zu viele oder zu lange Kopfzeilen";
    if (code == kErrorAddressTooLong)
        return "Die Adresse ist länger als 2083 Zeichen";
    // Ours: the component gives up on a server that stops answering.
    if (code == ERROR_INTERNET_TIMEOUT)
        return "Zeitüberschreitung, der Server antwortet nicht";
    std::string text = InetErrorText(code);
    if (HasText(text))
        return text;
    wchar_t message[256];
    DWORD n = FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                             static_cast<DWORD>(code), 0, message, 256, nullptr);
    text = rtl::WideToUtf8(message, std::min<DWORD>(n, 255));
    if (HasText(text))
        return text;
    if (const char* certificate = CertificateFailureText(code))
        return certificate;
    return "Internetfehler " + std::to_string(code);
}
