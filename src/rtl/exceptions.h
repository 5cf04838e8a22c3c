#pragma once
#include <exception>
#include <string>

// The one base of every error the program raises. The message is ANSI text shown as it is by
// the application's exception display.
class Exception : public std::exception {
public:
    explicit Exception(std::string message) : FMessage(std::move(message)) {}
    const std::string& Message() const { return FMessage; }
    void SetMessage(const std::string& v) { FMessage = v; }
    const char* what() const noexcept override { return FMessage.c_str(); }

private:
    std::string FMessage;
};

class EInOutError : public Exception {
public:
    EInOutError(std::string message, int errorCode) : Exception(std::move(message)), FErrorCode(errorCode) {}
    int ErrorCode() const { return FErrorCode; }

private:
    int FErrorCode;
};

class EIniFileException : public Exception {
public:
    using Exception::Exception;
};

class EConvertError : public Exception {
public:
    using Exception::Exception;
};

// "Format" for the single "%s" / "%d" messages the program raises.
std::string FormatMessage1(const std::string& pattern, const std::string& arg);
