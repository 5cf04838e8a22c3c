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

// The authentication demands a response can make: a server's (401) and a proxy's (407).
enum TAuthDemand : unsigned { adServer = 1, adProxy = 2 };

// How the read of a response body ended.
enum TBodyEnd {
    beNone,     // no body has been read for the request (yet)
    beComplete, // the server's whole body
    beAborted,  // ended by Abort, or by the next request, before its end
    beFailed,   // a read failed or made no progress in time; LastError tells why
    beTooLarge  // longer than MaxBodySize
};

// One HTTP or HTTPS request at a time over WinInet, synchronous or asynchronous. In asynchronous
// mode WinInet's threads report to the status callback and a worker on the system's thread pool
// waits for the send and reads the response; every event reaches the owner's GUI thread through
// one hidden window shared by all instances whose owner is a windowed control. Which thread may
// touch what is written at the top of adv_http.cpp.
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
    // The demands (TAuthDemand bits) whose credentials dialog DefaultUi shows. Any other demand
    // ends the request at once as a cancelled dialog does: a server the user never asked about
    // must not put a password dialog on the screen. Taken by Execute for its request.
    unsigned DialogDemands() const { return FDialogDemands; }
    void SetDialogDemands(unsigned v) { FDialogDemands = v; }
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
    // The most response header lines taken; 0 takes any. A response with more, or with a header
    // block longer than its buffer holds, ends the request as a failure (kErrorHeadersTooLarge)
    // without OnRequestComplete: the request is closed and its header lines are not kept.
    int MaxHeaderLines() const { return FMaxHeaderLines; }
    void SetMaxHeaderLines(int v) { FMaxHeaderLines = v; }
    // In asynchronous mode, a send or a read that makes no progress for StallTimeout milliseconds
    // (a read of a large body's larger pieces as many times longer), and a request still under way
    // TotalTimeout after its last send, fail with ERROR_INTERNET_TIMEOUT: the request is closed,
    // OnError fires, no OnRequestComplete. 0: no limit. Taken by Execute for its request.
    int StallTimeout() const { return FStallTimeout; }
    void SetStallTimeout(int v) { FStallTimeout = v; }
    int TotalTimeout() const { return FTotalTimeout; }
    void SetTotalTimeout(int v) { FTotalTimeout = v; }

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

    // The run-time state describes the request under way, or the last one until the next Execute.
    bool Busy() const;
    int LastError() const { return FLastError; }
    int StatusCode() const;
    const TStringList& ResponseHeaders() const;
    const std::string& ServerAddress() const;
    const std::string& RedirectURL() const;
    int BytesSent() const;
    int ResponseBytes() const;
    int TotalResponseBytes() const;
    void* StatusInfo() const;
    int StatusInfoLength() const;
    int ChunkPosition() const;
    int ChunkSize() const;
    int BytesRead() const;
    // How the last body read ended: only beComplete is the server's whole document.
    TBodyEnd BodyEnd() const;
    // The whole response body, zero bytes included (a UTF-16 document has them everywhere).
    const std::string& ResponseBody() const;
    bool MarshalEvents() const { return FMarshalEvents; }
    // True while the credentials dialog of DefaultUi waits for the user. Abort closes the dialog,
    // and Execute does not wait for it.
    bool AwaitingUser() const;
    DWORD RequestFlags() const { return FRequestFlags; }

    bool Execute(bool Synchronous);
    void Abort();

    // The message of a Windows or WinInet error code, from wininet.dll's message table.
    static std::string ErrorText(int code) { return InetErrorText(code); }
    // ErrorText, or another text naming the failure where WinInet has none.
    static std::string FailureText(int code) { return InetFailureText(code); }
    // The shared event window, or nullptr while no instance marshals its events.
    static HWND EventWindow() { return THttpEventWindow::Handle(); }
    // Requests whose WinInet handle has not reported its closing yet.
    static int LiveRequestRecords();

private:
    // The handles of a request taken out of it, closed after its lock is left (closing may run the
    // status callback on the closing thread). The session goes last: it stays open while a request
    // of it is being closed.
    struct TDetached {
        std::shared_ptr<TInternetHandle> Session;
        TInternetHandle Connection;
        TInternetHandle Request;
    };

    // How a status callback finds the component of a request: cleared by the destructor.
    struct TOwnerLink {
        std::mutex Lock;
        TAdvHttp* Owner = nullptr;
    };

    // One request, from Execute until the next Execute replaces it (and until WinInet has let go
    // of its handle).
    struct TRequest {
        // Who may close the request: its processing thread while it processes it, Abort while the
        // request waits for its send or for nobody.
        enum TPhase { psProcessing, psSending, psStalled, psClosed };
        enum TPending { pdNone, pdSend, pdRead };

        // ---- Fixed by Execute: read by every thread ----
        std::shared_ptr<TOwnerLink> Link;
        std::shared_ptr<TInternetHandle> Session;
        bool Async = false;
        bool RaiseExceptions = true;
        bool DefaultUi = true;
        unsigned DialogDemands = adServer | adProxy;
        int AuthRetries = 3;
        std::size_t MaxBodySize = 0;
        int MaxHeaderLines = 0;
        DWORD StallTimeout = 0, TotalTimeout = 0;
        std::wstring SendHeaders;
        std::string SendBody;
        // Rung by the completion of the awaited send or read, by Abort and by destruction.
        TKernelHandle Wake;

        // ---- The processing thread's; the owner reads them in deliveries and afterwards ----
        int StatusCode = 0;
        TStringList Headers;
        std::string Body;
        int ChunkPosition = 0, ChunkSize = 0, BytesRead = 0;
        TBodyEnd BodyEnd = beNone;
        int AuthAttempts = 0;
        // The request's own last error, also once it is superseded.
        int LastError = 0;

        // ---- WinInet's threads', from status notifications ----
        std::string ServerAddress, RedirectURL;
        int BytesSent = 0, ResponseBytes = 0, TotalResponseBytes = 0;
        void* StatusInfo = nullptr;
        int StatusInfoLength = 0;

        // ---- Under Lock ----
        std::mutex Lock;
        TInternetHandle Connection, Handle;
        TPhase Phase = psProcessing;
        TPending Pending = pdNone;
        bool OpFinished = false;
        DWORD OpError = 0;
        bool AbortRequested = false;
        DWORD DialogThread = 0;
        ULONGLONG SendStart = 0;
        // How long the awaited operation may go without a sign of progress.
        ULONGLONG OpStallTimeout = 0;
        // The count of a read goes into the buffer description, which only the read itself
        // writes: Wine's plain read clears its count after starting a pending read, and a
        // completion that comes first has written its count by then. The chunk is made by the
        // first read, before WinInet has it (not cleared: the reads fill it).
        INTERNET_BUFFERSA Read = {};
        std::unique_ptr<char[]> Chunk;
        DWORD ChunkCapacity = 0;
        // WinInet's hold on the request, from the opening of its handle to the closing notification.
        std::shared_ptr<TRequest> HeldByWinInet;

        // ---- Atomic: any thread ----
        std::atomic<bool> Open{true};
        std::atomic<bool> Superseded{false};
        std::atomic<bool> WorkerRunning{false};
        std::atomic<bool> AwaitingUser{false};
        std::atomic<ULONGLONG> LastProgress{0};

        TDetached DetachLocked();
        void Close();
        HINTERNET RequestHandle();
        void Leave();
        void CompleteOperation(const INTERNET_ASYNC_RESULT& result);
        void ReleaseWinInet();
    };

    struct TDelivery;
    struct TWorkerStart;
    enum TSource { dsOwner, dsCallback, dsWorker };
    enum TWaitEnd { weDone, weFailed, weAborted, weTimedOut };

    void SplitURL(const std::string& url);
    void BuildURL();
    void RebuildURL();
    void AssignRebuilding(std::string& field, const std::string& value);
    void ReopenSession();
    void ApplyCredential(DWORD option, const std::string& value);

    void RecordError(TRequest* r, int code);
    void CheckResult(TRequest* r, bool ok);
    void FireEvent(TRequest* r, TNotifyEvent TAdvHttp::*handler, bool fromCallback = false);
    void Deliver(TDelivery& d) noexcept;
    void HandleStatus(TRequest& r, DWORD status, void* info, DWORD infoLength);

    void OpenSession();
    void CloseSession();
    void ReleasePrevious();
    std::shared_ptr<TRequest> NewRequest(bool synchronous);
    void Connect(TRequest& r);
    void OpenRequest(const std::shared_ptr<TRequest>& r);
    void ApplyCredentials();
    TSource SourceOf(bool fromCallback) const;
    void SendRequest(TRequest& r);
    void StartWorker(const std::shared_ptr<TRequest>& r);
    void Work(TRequest& r);
    TWaitEnd AwaitOperation(TRequest& r, DWORD& error);
    bool ProcessResponse(TRequest& r);
    bool AskForCredentials(TRequest& r);
    bool QueryStatusCode(TRequest& r);
    void ReadResponseHeaders(TRequest& r);
    void RefuseHeaders(TRequest& r);
    void ReadBody(TRequest& r);
    DWORD PrepareBodyRead(TRequest& r);
    bool ReadChunk(TRequest& r, DWORD readSize, DWORD& count);
    void RefuseTooLarge(TRequest& r, std::exception_ptr& failure);
    void StopRequest();
    void AbortRequest(TRequest& r);
    bool DeliveringFor(const TRequest& r) const;
    template <class Pred> bool WaitDispatchingSent(Pred done, DWORD timeoutMs = INFINITE);

    static void CALLBACK StatusCallback(HINTERNET handle, DWORD_PTR context, DWORD status, LPVOID info,
                                        DWORD infoLength);
    static DWORD WINAPI WorkerEntry(LPVOID param);
    static DWORD WINAPI CloserEntry(LPVOID param);
    static void CloseDetached(TDetached&& d);

    // ---- The owner's thread only ----
    // Properties: a request takes what it needs of them when Execute starts it.
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
    unsigned FDialogDemands = adServer | adProxy;
    TStringList FRequestHeaders;
    TStringList FAcceptTypes;
    std::string FMethod = "GET";
    int FAuthRetries = 3;
    TInternetFlags FInternetFlags = 0;
    DWORD FRequestFlags = 0;
    std::size_t FMaxBodySize = 0;
    int FMaxHeaderLines = 0;
    int FStallTimeout = 60000;
    int FTotalTimeout = 300000;
    std::string FRequestBody;
    bool FMarshalEvents = false;
    // The session, shared with the requests of it that are still being closed.
    std::shared_ptr<TInternetHandle> FSession;
    bool FSessionAsync = false;
    DWORD FSessionMode = 0;
    // The request under way, or the last one. Everything of one request lives in it.
    std::shared_ptr<TRequest> FRequest;
    // Requests before it whose worker may still be finishing (in the credentials dialog, say).
    std::vector<std::shared_ptr<TRequest>> FFinishing;
    // Deliveries of this component now running on this thread, innermost last.
    std::vector<TDelivery*> FActiveDeliveries;

    // ---- Shared with WinInet's threads: how a status callback finds this component ----
    std::shared_ptr<TOwnerLink> FLink;

    // ---- Atomic: any thread ----
    // Written by the owner's thread, and by the threads of the current request under its lock.
    std::atomic<int> FLastError{0};
    std::atomic<bool> FDestroying{false};
    // Workers and status callbacks that may still touch this component; the destructor waits for them.
    std::atomic<int> FRunningWorkers{0};
    std::atomic<int> FCallbacksInFlight{0};
};
