#pragma once
#include <windows.h>
#include <wininet.h>

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <exception>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "gui/component.h"
#include "gui/handles.h"
#include "net/http_errors.h"
#include "net/http_events.h"
#include "rtl/string_list.h"

enum TInternetFlag {
    ifCacheIfNetFail,
    ifDontCache,
    ifHyperLink,
    ifIgnoreCertCnInvalid,
    ifIgnoreCertDateInvalid,
    ifIgnoreRedirectToHttp,
    ifIgnoreRedirectToHttps,
    ifKeepConnection,
    ifNeedFile,
    ifNoAuth,
    ifNoAutoRedirect,
    ifNoCacheWrite,
    ifNoCookies,
    ifNoUi,
    ifPragmaNoCache,
    ifReload,
    ifResynchronize
};

// A set of TInternetFlag: bit n stands for member n.
using TInternetFlags = std::uint32_t;
constexpr TInternetFlags InternetFlag(TInternetFlag f)
{
    return TInternetFlags(1) << f;
}
constexpr TInternetFlags kDefaultInternetFlags =
    InternetFlag(ifIgnoreCertCnInvalid) | InternetFlag(ifIgnoreCertDateInvalid) |
    InternetFlag(ifIgnoreRedirectToHttp) | InternetFlag(ifIgnoreRedirectToHttps) | InternetFlag(ifKeepConnection) |
    InternetFlag(ifNoUi) | InternetFlag(ifReload);

// The WinInet request flags (INTERNET_FLAG_...) of the members of a set, OR-ed together.
DWORD RequestFlagWord(TInternetFlags flags);

// One HTTP or HTTPS request at a time over WinInet, synchronous or asynchronous. In asynchronous
// mode WinInet's threads report to the status callback and, once the send has completed, a work
// item on the system's thread pool reads the response; every event reaches the owner's GUI thread
// through one hidden window shared by all instances whose owner is a windowed control.
class TAdvHttp : public TComponent {
public:
    explicit TAdvHttp(TComponent* AOwner);
    ~TAdvHttp() override;

    int ConnectTimeout() const { return FConnectTimeout; }
    void SetConnectTimeout(int v) { FConnectTimeout = v; }
    bool RaiseExceptions() const { return FRaiseExceptions; }
    void SetRaiseExceptions(bool v) { FRaiseExceptions = v; }
    const std::string& UserAgent() const { return FUserAgent; }
    void SetUserAgent(const std::string& v);
    const std::string& Proxy() const { return FProxy; }
    void SetProxy(const std::string& v);
    bool SSL() const { return FSSL; }
    void SetSSL(bool v);
    const std::string& URL() const { return FURL; }
    void SetURL(const std::string& v);
    const std::string& URLPath() const { return FURLPath; }
    void SetURLPath(const std::string& v);
    const std::string& ExtraInfo() const { return FExtraInfo; }
    void SetExtraInfo(const std::string& v);
    int Port() const { return FPort; }
    void SetPort(int v);
    const std::string& UserName() const { return FUserName; }
    void SetUserName(const std::string& v);
    const std::string& Password() const { return FPassword; }
    void SetPassword(const std::string& v);
    const std::string& ProxyUserName() const { return FProxyUserName; }
    void SetProxyUserName(const std::string& v);
    const std::string& ProxyPassword() const { return FProxyPassword; }
    void SetProxyPassword(const std::string& v);
    const std::string& HostName() const { return FHostName; }
    void SetHostName(const std::string& v);
    bool DefaultUi() const { return FDefaultUi; }
    void SetDefaultUi(bool v) { FDefaultUi = v; }
    TStringList& RequestHeaders() { return FRequestHeaders; }
    void SetRequestHeaders(const TStringList& v) { FRequestHeaders = v; }
    TStringList& AcceptTypes() { return FAcceptTypes; }
    void SetAcceptTypes(const TStringList& v) { FAcceptTypes = v; }
    const std::string& Method() const { return FMethod; }
    void SetMethod(const std::string& v) { FMethod = v; }
    // Reading gives the response body up to its first zero byte; writing sets the request body.
    std::string Text() const;
    void SetText(const std::string& v) { FRequestBody = v; }
    int AuthRetries() const { return FAuthRetries; }
    void SetAuthRetries(int v) { FAuthRetries = v; }
    TInternetFlags InternetFlags() const { return FInternetFlags; }
    void SetInternetFlags(TInternetFlags v);
    // The largest response body kept, in bytes; 0 keeps any. A longer body ends the request as a
    // failure (kErrorBodyTooLarge) without OnRequestComplete, and what was read is given back.
    std::size_t MaxBodySize() const { return FMaxBodySize; }
    void SetMaxBodySize(std::size_t v) { FMaxBodySize = v; }

    TNotifyEvent OnClosingConnection;
    TNotifyEvent OnConnectedToServer;
    TNotifyEvent OnConnectingToServer;
    TNotifyEvent OnConnectionClosed;
    TNotifyEvent OnIntermediateResponse;
    TNotifyEvent OnNameResolved;
    TNotifyEvent OnReceivingResponse;
    TNotifyEvent OnResponseReceived;
    TNotifyEvent OnRedirect;
    TNotifyEvent OnRequestComplete;
    TNotifyEvent OnRequestSent;
    TNotifyEvent OnResolvingName;
    TNotifyEvent OnSendingRequest;
    TNotifyEvent OnStateChange;
    TNotifyEvent OnDataAvailable;
    TNotifyEvent OnNeedAuth;
    TNotifyEvent OnNeedProxyAuth;
    TNotifyEvent OnError;

    bool Busy() const { return FBusy; }
    int LastError() const { return FLastError; }
    int StatusCode() const { return FStatusCode; }
    const TStringList& ResponseHeaders() const { return FResponseHeaders; }
    const std::string& ServerAddress() const { return FServerAddress; }
    const std::string& RedirectURL() const { return FRedirectURL; }
    int BytesSent() const { return FBytesSent; }
    int ResponseBytes() const { return FResponseBytes; }
    int TotalResponseBytes() const { return FTotalResponseBytes; }
    void* StatusInfo() const { return FStatusInfo; }
    int StatusInfoLength() const { return FStatusInfoLength; }
    int ChunkPosition() const { return FChunkPosition; }
    int ChunkSize() const { return FChunkSize; }
    int BytesRead() const { return FBytesRead; }
    // The whole response body, zero bytes included (a UTF-16 document has them everywhere).
    const std::string& ResponseBody() const { return FBody; }
    bool MarshalEvents() const { return FMarshalEvents; }
    // True while the credentials dialog of DefaultUi waits for the user; Execute would wait too.
    bool AwaitingUser() const { return FAwaitingUser; }
    DWORD RequestFlags() const { return FRequestFlags; }

    bool Execute(bool Synchronous);
    void Abort();

    // The message of a Windows or WinInet error code, from wininet.dll's message table.
    static std::string ErrorText(int code) { return InetErrorText(code); }
    // ErrorText, or another text naming the failure where WinInet has none.
    static std::string FailureText(int code) { return InetFailureText(code); }
    // The shared event window, or nullptr while no instance marshals its events.
    static HWND EventWindow() { return THttpEventWindow::Handle(); }
    // Request records whose WinInet handle has not reported its closing yet.
    static int LiveRequestRecords();

private:
    struct TRequestRecord;
    struct TDelivery;
    struct TWorkerStart;
    enum TPending { pdNone, pdSend, pdRead };
    // The handles of a request taken out of the component under FLock, closed after it is left
    // (closing may run the status callback on the closing thread).
    // The session goes last: it stays open while a request of it is being closed.
    struct TDetached {
        std::shared_ptr<TInternetHandle> Session;
        TInternetHandle Connection;
        TInternetHandle Request;
        void Close();
    };

    void SplitURL(const std::string& url);
    void BuildURL();
    void RebuildURL();
    void AssignRebuilding(std::string& field, const std::string& value);
    void ReopenSession();
    void ApplyCredential(DWORD option, const std::string& value);
    void RecordError(int code);
    void CheckResult(bool ok);
    void FireEvent(TNotifyEvent TAdvHttp::*handler);
    void Deliver(TDelivery& d) noexcept;
    void HandleStatus(DWORD status, void* info, DWORD infoLength, TRequestRecord* record);
    void OpenSession();
    void CloseSession();
    void CloseRequest();
    void CloseRequestOf(unsigned long long generation);
    void DetachLocked(TDetached& out);
    void SendRequest(unsigned long long generation);
    void ProcessResponse(unsigned long long generation);
    bool QueryStatusCode();
    void ReadResponseHeaders();
    void ReadBody(unsigned long long generation);
    bool StartWorkerLocked(unsigned long long generation, DWORD& error);
    void ForgetWorker(bool handOff, unsigned long long generation);
    void StopRequest();
    void SettleWorker();
    template <class Pred> void WaitDispatchingSent(Pred done);

    static void CALLBACK StatusCallback(HINTERNET handle, DWORD_PTR context, DWORD status, LPVOID info,
                                        DWORD infoLength);
    static DWORD WINAPI WorkerEntry(LPVOID param);
    static DWORD WINAPI CloserEntry(LPVOID param);

    int FConnectTimeout = 30000;
    bool FRaiseExceptions = true;
    std::string FUserAgent = "Lindqar WinInet Component";
    std::string FProxy;
    bool FSSL = false;
    std::string FURL;
    std::string FURLPath;
    std::string FExtraInfo;
    int FPort = 80;
    std::string FUserName;
    std::string FPassword;
    std::string FProxyUserName;
    std::string FProxyPassword;
    std::string FHostName = "localhost";
    bool FDefaultUi = true;
    TStringList FRequestHeaders;
    TStringList FAcceptTypes;
    std::string FMethod = "GET";
    int FAuthRetries = 3;
    TInternetFlags FInternetFlags = 0;
    DWORD FRequestFlags = 0;
    std::size_t FMaxBodySize = 0;
    bool FBodyTooLarge = false;
    bool FReadFailed = false;
    std::atomic<bool> FAwaitingUser{false};

    std::atomic<bool> FBusy{false};
    std::atomic<int> FLastError{0};
    int FStatusCode = 0;
    TStringList FResponseHeaders;
    std::string FServerAddress;
    std::string FRedirectURL;
    int FBytesSent = 0;
    int FResponseBytes = 0;
    int FTotalResponseBytes = 0;
    void* FStatusInfo = nullptr;
    int FStatusInfoLength = 0;
    int FChunkPosition = 0;
    int FChunkSize = 0;
    int FBytesRead = 0;

    // Shared with the requests of it still being closed.
    std::shared_ptr<TInternetHandle> FSession;
    TInternetHandle FConnection;
    TInternetHandle FRequest;
    bool FSessionAsync = false;
    DWORD FSessionMode = 0;
    bool FSynchronous = false;
    DWORD FSecureFlag = 0;
    std::string FBody;
    std::string FRequestBody;
    std::wstring FSendHeaders;
    std::atomic<bool> FAbortRequested{false};
    int FAuthAttempts = 0;
    bool FMarshalEvents = false;

    // Every request gets the next generation; its record, its worker and its events carry it, and
    // whatever carries an older one is dropped. Written under FLock on the owner's thread.
    std::atomic<unsigned long long> FGeneration{0};
    // The ticket of the worker bound to the current request (from FWorkerTickets, under FLock),
    // 0 while none is bound.
    unsigned long long FWorkerTickets = 0;
    std::atomic<unsigned long long> FWorkerTicket{0};
    // One lock for every change of hands: the generation, the current record and its pending
    // operation, the worker binding, the abort flag and the taking out of the handles. Never
    // held while an event is delivered or a handle closed.
    std::mutex FLock;
    // Workers still running, bound or finishing; the destructor waits for them.
    std::atomic<int> FRunningWorkers{0};
    // Wakes the worker from a pending read: one release per completion, Abort or destruction.
    TKernelHandle FWake;
    std::atomic<TPending> FPending{pdNone};
    std::atomic<TRequestRecord*> FRecord{nullptr};
    std::atomic<int> FCallbacksInFlight{0};
    std::atomic<bool> FDestroying{false};
    unsigned long long FSerial;
    // Deliveries of this component now running on the owner's thread, innermost last.
    std::vector<TDelivery*> FActiveDeliveries;
};
