#include "net/adv_http.h"

#include <algorithm>
#include <cstring>
#include <cwchar>
#include <memory>
#include <mutex>
#include <vector>

#include "gui/controls.h"
#include "net/header_limits.h"
#include "net/http_address.h"
#include "rtl/wide.h"

// Which thread may touch what.
//
// The owner's thread (the GUI thread that made the component) runs the property writers,
// Execute, Abort, the destructor and, through the event window, every handler. It alone touches
// the properties, the session, FRequest (the current request), FFinishing and the delivery list.
//
// Everything of one request lives in its TRequest: what Execute took from the properties, its
// WinInet handles, the response as it is read, and the hand-offs between the threads. One thread
// at a time processes a request: the worker in asynchronous mode, from the completed send to the
// end of the body (a re-send after an authentication demand included), the caller of Execute in
// synchronous mode. That thread alone writes the response (status, headers, body, counters,
// BodyEnd); the owner's thread reads it while the processing thread waits for the delivery of an
// event, or once the request has ended. WinInet's threads write the status fields, which the
// owner reads in the delivery of their event.
//
// Under a request's Lock: its handles (taken out when it is closed), its phase (which says who
// may close it), the send or read it waits for and how that ended, the abort flag and the thread
// of the credentials dialog. Abort and the processing thread decide under it which of them closes
// the handles, so that they are closed exactly once. Open, Superseded, WorkerRunning,
// AwaitingUser and LastProgress are atomic: any thread reads them.
//
// Execute makes a new request and supersedes the one before: that one's threads may still
// finish, but they record nothing in the component and their events are dropped. Events of the
// current request are delivered on the owner's thread, where FRequest changes, so no other
// request can start between that test and the handler.
//
// WinInet's threads call the status callback with the request as its context. The request finds
// its component through the owner link the destructor clears, and a callback at work counts
// itself in FCallbacksInFlight, which the destructor waits for, as it does for FRunningWorkers.
// WinInet holds the request from the opening of its handle until the handle reports its closing:
// a pending read may write into the request's chunk buffer until then.

namespace {

// Reads are of 16 KB: under Wine a read waits until its buffer is full, so a slow body arrives in
// pieces of that size. A body declared to be large is read in 256 KB pieces, a sixteenth of the
// reads (and of the hand-offs between threads) for a megabyte feed.
constexpr DWORD kSmallRead = 16384;
constexpr DWORD kLargeRead = 262144;
constexpr unsigned long long kLargeBody = 512 * 1024;
constexpr DWORD kHeaderBufferSize = 8192;
constexpr int kErrorIoPending = ERROR_IO_PENDING;
constexpr int kOperationCancelled = ERROR_INTERNET_OPERATION_CANCELLED;
// How long Execute waits for the request before it to report what it has read.
constexpr DWORD kSettleTime = 2000;

struct TFlagMap {
    TInternetFlag Member;
    DWORD Flag;
};
const TFlagMap kFlagMap[] = {
    {ifCacheIfNetFail, INTERNET_FLAG_CACHE_IF_NET_FAIL},
    {ifDontCache, INTERNET_FLAG_DONT_CACHE},
    {ifHyperLink, INTERNET_FLAG_HYPERLINK},
    {ifIgnoreCertCnInvalid, INTERNET_FLAG_IGNORE_CERT_CN_INVALID},
    {ifIgnoreCertDateInvalid, INTERNET_FLAG_IGNORE_CERT_DATE_INVALID},
    {ifIgnoreRedirectToHttp, INTERNET_FLAG_IGNORE_REDIRECT_TO_HTTP},
    {ifIgnoreRedirectToHttps, INTERNET_FLAG_IGNORE_REDIRECT_TO_HTTPS},
    {ifKeepConnection, INTERNET_FLAG_KEEP_CONNECTION},
    {ifNeedFile, INTERNET_FLAG_NEED_FILE},
    {ifNoAuth, INTERNET_FLAG_NO_AUTH},
    {ifNoAutoRedirect, INTERNET_FLAG_NO_AUTO_REDIRECT},
    {ifNoCacheWrite, INTERNET_FLAG_NO_CACHE_WRITE},
    {ifNoCookies, INTERNET_FLAG_NO_COOKIES},
    {ifNoUi, INTERNET_FLAG_NO_UI},
    {ifPragmaNoCache, INTERNET_FLAG_PRAGMA_NOCACHE},
    {ifReload, INTERNET_FLAG_RELOAD},
    {ifResynchronize, INTERNET_FLAG_RESYNCHRONIZE},
};

// Thrown on a firing thread when the component was destroyed by the handler it delivered to:
// everything on the way out must leave the dead object alone. It unwinds to where the program
// called in (a property writer, Execute, the status callback, the worker), which returns at once.
struct TSenderGone {};

// How a step ended: the component's destruction by a handler is no failure of the step, and is
// never confused with one.
struct TStepEnd {
    bool SenderGone = false;
    std::exception_ptr Failure;

    // Raises the step's failure again, when `raise`.
    void RaiseFailure(bool raise = true) const
    {
        if (Failure && raise)
            std::rethrow_exception(Failure);
    }
    // Goes on up as the step did: the destruction always, a failure when `raise`.
    void PassOn(bool raise = true) const
    {
        if (SenderGone)
            throw TSenderGone();
        RaiseFailure(raise);
    }
};

// Every step whose failure is handled, and every entry point, runs through here, so that the
// destruction of the component is told apart from a failure in one place.
template <class F> TStepEnd Guard(F&& step) noexcept
{
    TStepEnd end;
    try {
        step();
    } catch (const TSenderGone&) {
        end.SenderGone = true;
    } catch (...) {
        end.Failure = std::current_exception();
    }
    return end;
}

// Deliberately never destroyed: handles closed on the thread pool report their closing to the
// status callback also while the program ends and its statics are being destroyed.
std::atomic<int>& LiveRequests()
{
    static auto* count = new std::atomic<int>(0);
    return *count;
}

std::string ZeroTerminated(const void* info, DWORD length)
{
    if (!info)
        return std::string();
    const char* p = static_cast<const char*>(info);
    std::size_t n = 0;
    while ((length == 0 || n < length) && p[n])
        ++n;
    return std::string(p, n);
}

// The wide callback gets the redirect's address (and the name being resolved) as UTF-16; the
// server's address stays an 8-bit string of digits and dots. The length counts bytes.
std::string ZeroTerminatedWide(const void* info, DWORD length)
{
    if (!info)
        return std::string();
    const wchar_t* p = static_cast<const wchar_t*>(info);
    std::size_t n = 0;
    while ((length == 0 || (n + 1) * sizeof(wchar_t) <= length) && p[n])
        ++n;
    return rtl::WideToUtf8(p, n);
}

DWORD ReadDword(const void* info, DWORD length)
{
    DWORD v = 0;
    if (info && length >= sizeof v)
        std::memcpy(&v, info, sizeof v);
    return v;
}

// Cancels the credentials dialog WinInet shows on that thread.
void CancelDialogsOf(DWORD thread)
{
    EnumThreadWindows(
        thread,
        [](HWND wnd, LPARAM) -> BOOL {
            wchar_t cls[16] = {};
            GetClassNameW(wnd, cls, 16);
            if (std::wcscmp(cls, L"#32770") == 0)
                PostMessageW(wnd, WM_COMMAND, IDCANCEL, 0);
            return TRUE;
        },
        0);
}

} // namespace

DWORD WINAPI TAdvHttp::CloserEntry(LPVOID param)
{
    std::unique_ptr<TDetached> detached(static_cast<TDetached*>(param));
    // The request before its connection.
    detached->Request.Reset();
    detached->Connection.Reset();
    detached->Session.reset();
    return 0;
}

// Wine's WinInet reads what is left of a response when its request handle closes, to keep the
// connection for reuse; from a server that never stops sending that takes for ever. The handles
// are therefore closed on a thread of the system's pool (told that it may run long), and nobody
// waits for it: the request goes with the closing notification as always. A pooled thread is
// usually waiting already; starting a thread of our own costs milliseconds each time.
void TAdvHttp::CloseDetached(TDetached&& d)
{
    if (!d.Request && !d.Connection)
        return;
    auto rest = std::make_unique<TDetached>(std::move(d));
    // The closer owns the handles now, or they are closed here.
    TDetached* handedOver = rest.release();
    if (!QueueUserWorkItem(&CloserEntry, handedOver, WT_EXECUTELONGFUNCTION))
        CloserEntry(handedOver);
}

TAdvHttp::TDetached TAdvHttp::TRequest::DetachLocked()
{
    Phase = psClosed;
    Open = false;
    Pending = pdNone;
    return TDetached{Session, std::move(Connection), std::move(Handle)};
}

void TAdvHttp::TRequest::Close()
{
    TDetached closing;
    {
        std::lock_guard<std::mutex> lock(Lock);
        closing = DetachLocked();
    }
    CloseDetached(std::move(closing));
}

HINTERNET TAdvHttp::TRequest::RequestHandle()
{
    std::lock_guard<std::mutex> lock(Lock);
    return Handle.Get();
}

// The processing thread lets go: a request still open waits for Abort, or is closed here when
// Abort came meanwhile.
void TAdvHttp::TRequest::Leave()
{
    TDetached closing;
    {
        std::lock_guard<std::mutex> lock(Lock);
        if (Open) {
            if (AbortRequested)
                closing = DetachLocked();
            else
                Phase = psStalled;
        }
        WorkerRunning = false;
    }
    CloseDetached(std::move(closing));
}

// A completion notification: only what the request still waits for is taken.
void TAdvHttp::TRequest::CompleteOperation(const INTERNET_ASYNC_RESULT& result)
{
    std::lock_guard<std::mutex> lock(Lock);
    if (Pending == pdNone)
        return;
    Pending = pdNone;
    OpFinished = true;
    OpError = result.dwResult ? 0 : (result.dwError ? result.dwError : ERROR_INTERNET_INTERNAL_ERROR);
    SetEvent(Wake.Get());
}

void TAdvHttp::TRequest::ReleaseWinInet()
{
    std::shared_ptr<TRequest> held;
    {
        std::lock_guard<std::mutex> lock(Lock);
        held = std::move(HeldByWinInet);
    }
    if (held)
        --LiveRequests();
    // This may be the last reference: nothing of the request is touched after it.
}

// One event delivery: every firing thread has its own, so concurrent deliveries from WinInet's
// threads and the worker never share a handler or a captured exception.
struct TAdvHttp::TDelivery : THttpDelivery {
    TDelivery(TAdvHttp* sender, TNotifyEvent TAdvHttp::*handler, TSource source, const TRequest* request)
        : Sender(sender), Handler(handler), Source(source), Request(request)
    {
    }
    void Run() noexcept override { Sender->Deliver(*this); }
    TAdvHttp* Sender;
    TNotifyEvent TAdvHttp::*Handler;
    TSource Source;
    // The request the event is about, nullptr for none (a property writer's failure).
    const TRequest* Request;
    std::exception_ptr Captured;
    bool SenderGone = false;
};

struct TAdvHttp::TWorkerStart {
    TAdvHttp* Self;
    std::shared_ptr<TRequest> Request;
};

DWORD RequestFlagWord(TInternetFlags flags)
{
    DWORD word = 0;
    for (const TFlagMap& m : kFlagMap)
        if (flags & InternetFlag(m.Member))
            word |= m.Flag;
    return word;
}

TAdvHttp::TAdvHttp(TComponent* AOwner) : TComponent(AOwner), FLink(std::make_shared<TOwnerLink>())
{
    FLink->Owner = this;
    FMarshalEvents = AOwner && dynamic_cast<TWinControl*>(AOwner) != nullptr;
    SetInternetFlags(kDefaultInternetFlags);
    if (FMarshalEvents)
        THttpEventWindow::AddUser();
}

TAdvHttp::~TAdvHttp()
{
    FDestroying = true;
    {
        std::lock_guard<std::mutex> lock(FLink->Lock);
        FLink->Owner = nullptr;
    }
    // A handler that destroys us runs inside deliveries whose firing threads are blocked until it
    // returns; they cannot end before we do, so they are told to leave us alone instead.
    int nestedWorkers = 0, nestedCallbacks = 0;
    for (TDelivery* d : FActiveDeliveries) {
        d->SenderGone = true;
        if (d->Source == dsWorker)
            ++nestedWorkers;
        else if (d->Source == dsCallback)
            ++nestedCallbacks;
    }
    if (FRequest)
        FFinishing.push_back(FRequest);
    for (const auto& r : FFinishing)
        AbortRequest(*r);
    // Every wait of a worker ends with the abort. One in the credentials dialog goes on when the
    // dialog closes: it is cancelled again now and then, since it may not have been on screen yet.
    int slice = 0;
    WaitDispatchingSent([&] {
        if (++slice % 20 == 0)
            for (const auto& r : FFinishing)
                AbortRequest(*r);
        return FCallbacksInFlight <= nestedCallbacks && FRunningWorkers <= nestedWorkers;
    });
    FRequestBody.clear();
    FAcceptTypes.Clear();
    if (FRequest)
        FRequest->Close();
    FSession.reset();
    if (FMarshalEvents)
        THttpEventWindow::RemoveUser();
}

// ---- properties ----

// A writer whose OnError handler destroyed the component returns at once: nothing is left to
// restore, and the caller's handler knows what it did.

void TAdvHttp::ReopenSession()
{
    if (FSession)
        Guard([&] {
            CloseSession();
            OpenSession();
        }).RaiseFailure();
}

void TAdvHttp::SetUserAgent(const std::string& v)
{
    FUserAgent = v;
    ReopenSession();
}

void TAdvHttp::SetProxy(const std::string& v)
{
    FProxy = v;
    ReopenSession();
}

void TAdvHttp::RebuildURL()
{
    Guard([&] { BuildURL(); }).RaiseFailure();
}

void TAdvHttp::SetSSL(bool v)
{
    FSSL = v;
    RebuildURL();
}

void TAdvHttp::SetPort(int v)
{
    FPort = v;
    RebuildURL();
}

void TAdvHttp::SetURL(const std::string& v)
{
    std::string old = FURL;
    FURL = v;
    TStepEnd end = Guard([&] { SplitURL(v); });
    if (end.SenderGone)
        return;
    if (end.Failure)
        FURL = old;
    end.RaiseFailure();
}

void TAdvHttp::AssignRebuilding(std::string& field, const std::string& value)
{
    std::string old = field;
    field = value;
    TStepEnd end = Guard([&] { BuildURL(); });
    if (end.Failure)
        field = old;
    end.RaiseFailure();
}

void TAdvHttp::SetHostName(const std::string& v)
{
    AssignRebuilding(FHostName, v);
}

void TAdvHttp::SetURLPath(const std::string& v)
{
    AssignRebuilding(FURLPath, v);
}

void TAdvHttp::SetExtraInfo(const std::string& v)
{
    AssignRebuilding(FExtraInfo, (v.empty() || v[0] == '#' || v[0] == '?') ? v : "?" + v);
}

void TAdvHttp::ApplyCredential(DWORD option, const std::string& value)
{
    // A connection is open from Execute until the request is closed; the processing thread may
    // take it out meanwhile, hence the lock.
    if (!FRequest)
        return;
    std::lock_guard<std::mutex> lock(FRequest->Lock);
    if (FRequest->Connection) {
        // A string option's length counts its characters.
        std::wstring wide = rtl::Utf8ToWide(value);
        InternetSetOptionW(FRequest->Connection.Get(), option, &wide[0], static_cast<DWORD>(wide.size()));
    }
}

void TAdvHttp::SetUserName(const std::string& v)
{
    FUserName = v;
    ApplyCredential(INTERNET_OPTION_USERNAME, v);
}

void TAdvHttp::SetPassword(const std::string& v)
{
    FPassword = v;
    ApplyCredential(INTERNET_OPTION_PASSWORD, v);
}

void TAdvHttp::SetProxyUserName(const std::string& v)
{
    FProxyUserName = v;
    ApplyCredential(INTERNET_OPTION_PROXY_USERNAME, v);
}

void TAdvHttp::SetProxyPassword(const std::string& v)
{
    FProxyPassword = v;
    ApplyCredential(INTERNET_OPTION_PROXY_PASSWORD, v);
}

void TAdvHttp::SetInternetFlags(TInternetFlags v)
{
    FInternetFlags = v;
    FRequestFlags = RequestFlagWord(v);
}

// ---- addresses ----

void TAdvHttp::BuildURL()
{
    std::string url;
    CheckResult(nullptr, BuildHttpAddress(FSSL, FHostName, FPort, FURLPath + FExtraInfo, url));
    FURL = url;
}

// The address is taken apart into the properties it names; the caller restores URL when this
// fails.
void TAdvHttp::SplitURL(const std::string& url)
{
    THttpAddressParts parts;
    CheckResult(nullptr, SplitHttpAddress(url, parts));
    FHostName = parts.HostName;
    FURLPath = parts.URLPath;
    FExtraInfo = parts.ExtraInfo;
    if (parts.Scheme == THttpAddressParts::asHttps) {
        FSSL = true;
        BuildURL();
    } else if (parts.Scheme == THttpAddressParts::asHttp)
        FSSL = false;
    else
        throw Exception("Invalid protocol");
    FPort = parts.Port;
    if (!parts.UserName.empty())
        SetUserName(parts.UserName);
    if (!parts.Password.empty())
        SetPassword(parts.Password);
}

// ---- errors ----

// A request's failure is its own; it is the component's while the request is current.
void TAdvHttp::RecordError(TRequest* r, int code)
{
    if (r) {
        r->LastError = code;
        std::lock_guard<std::mutex> lock(r->Lock);
        if (r->Superseded)
            return;
        FLastError = code;
    } else {
        FLastError = code;
    }
    if (code != 0 && code != kErrorIoPending && OnError)
        FireEvent(r, &TAdvHttp::OnError);
}

void TAdvHttp::CheckResult(TRequest* r, bool ok)
{
    // Read the thread's error before anything else can overwrite it. A failure that names no
    // error is still a failure.
    DWORD error = ok ? 0 : GetLastError();
    if (!ok && error == 0)
        error = ERROR_INTERNET_INTERNAL_ERROR;
    RecordError(r, 0);
    if (ok)
        return;
    RecordError(r, static_cast<int>(error));
    if (error != ERROR_IO_PENDING)
        throw EInetError(FailureText(static_cast<int>(error)));
}

// ---- events ----

int TAdvHttp::LiveRequestRecords()
{
    return LiveRequests();
}

TAdvHttp::TSource TAdvHttp::SourceOf(bool fromCallback) const
{
    return fromCallback ? dsCallback : THttpEventWindow::OnOwnThread() ? dsOwner : dsWorker;
}

// Runs on the owner's thread, inside the event window's procedure.
void TAdvHttp::Deliver(TDelivery& d) noexcept
{
    d.Captured = nullptr;
    // A delivery sent before destruction began arrives while the destructor waits: it completes
    // without running the handler. One about a request that is no longer current is dropped.
    if (FDestroying || (d.Request && d.Request != FRequest.get()))
        return;
    FActiveDeliveries.push_back(&d);
    TStepEnd end = Guard([&] {
        TNotifyEvent handler = this->*(d.Handler);
        if (handler)
            handler(this);
    });
    d.Captured = end.Failure;
    if (!d.SenderGone)
        FActiveDeliveries.erase(std::find(FActiveDeliveries.begin(), FActiveDeliveries.end(), &d));
}

void TAdvHttp::FireEvent(TRequest* r, TNotifyEvent TAdvHttp::*handler, bool fromCallback)
{
    // An unassigned event costs no round trip to the owner's thread (the presence is tested
    // again there, where the handler runs).
    if (FDestroying || !(this->*handler) || (r && r->Superseded))
        return;
    if (FMarshalEvents && THttpEventWindow::Handle()) {
        TDelivery d(this, handler, SourceOf(fromCallback), r);
        THttpEventWindow::Send(d);
        if (d.SenderGone)
            throw TSenderGone();
        if (d.Captured)
            std::rethrow_exception(d.Captured);
        return;
    }
    // Without the owner's thread to order them, an event can still race the start of the next
    // request by the width of the test above.
    TNotifyEvent h = this->*handler;
    if (h)
        h(this);
}

void CALLBACK TAdvHttp::StatusCallback(HINTERNET, DWORD_PTR context, DWORD status, LPVOID info, DWORD infoLength)
{
    if (!context)
        return;
    auto* r = reinterpret_cast<TRequest*>(context);
    r->LastProgress = GetTickCount64();
    if (status == INTERNET_STATUS_REQUEST_COMPLETE) {
        // Only asynchronous requests wait for completions; a synchronous call reports its own result.
        if (info && infoLength >= sizeof(INTERNET_ASYNC_RESULT))
            r->CompleteOperation(*static_cast<const INTERNET_ASYNC_RESULT*>(info));
        return;
    }
    if (status == INTERNET_STATUS_HANDLE_CLOSING) {
        r->ReleaseWinInet();
        return;
    }
    TAdvHttp* owner;
    {
        std::lock_guard<std::mutex> lock(r->Link->Lock);
        owner = r->Link->Owner;
        if (owner)
            ++owner->FCallbacksInFlight;
    }
    if (!owner)
        return;
    // Nothing passes into WinInet.
    if (!Guard([&] { owner->HandleStatus(*r, status, info, infoLength); }).SenderGone)
        --owner->FCallbacksInFlight;
}

namespace {
enum TStatusField { sfNone, sfServerAddress, sfBytesSent, sfResponseBytes, sfRedirectURL };
}

// The status notifications other than completions: each copies its information into the
// request, then fires its event.
void TAdvHttp::HandleStatus(TRequest& r, DWORD status, void* info, DWORD infoLength)
{
    static const struct {
        DWORD Status;
        TNotifyEvent TAdvHttp::*Event;
        TStatusField Field;
    } events[] = {
        {INTERNET_STATUS_RESOLVING_NAME, &TAdvHttp::OnResolvingName, sfNone},
        {INTERNET_STATUS_NAME_RESOLVED, &TAdvHttp::OnNameResolved, sfServerAddress},
        {INTERNET_STATUS_CONNECTING_TO_SERVER, &TAdvHttp::OnConnectingToServer, sfServerAddress},
        {INTERNET_STATUS_CONNECTED_TO_SERVER, &TAdvHttp::OnConnectedToServer, sfServerAddress},
        {INTERNET_STATUS_SENDING_REQUEST, &TAdvHttp::OnSendingRequest, sfNone},
        {INTERNET_STATUS_REQUEST_SENT, &TAdvHttp::OnRequestSent, sfBytesSent},
        {INTERNET_STATUS_RECEIVING_RESPONSE, &TAdvHttp::OnReceivingResponse, sfNone},
        {INTERNET_STATUS_RESPONSE_RECEIVED, &TAdvHttp::OnResponseReceived, sfResponseBytes},
        {INTERNET_STATUS_CLOSING_CONNECTION, &TAdvHttp::OnClosingConnection, sfNone},
        {INTERNET_STATUS_CONNECTION_CLOSED, &TAdvHttp::OnConnectionClosed, sfNone},
        {INTERNET_STATUS_REDIRECT, &TAdvHttp::OnRedirect, sfRedirectURL},
        {INTERNET_STATUS_INTERMEDIATE_RESPONSE, &TAdvHttp::OnIntermediateResponse, sfNone},
        {INTERNET_STATUS_STATE_CHANGE, &TAdvHttp::OnStateChange, sfNone},
    };
    // A request started after this one owns the state now.
    if (r.Superseded)
        return;
    r.StatusInfo = info;
    r.StatusInfoLength = static_cast<int>(infoLength);
    for (const auto& e : events) {
        if (e.Status != status)
            continue;
        switch (e.Field) {
        case sfServerAddress:
            r.ServerAddress = ZeroTerminated(info, infoLength);
            break;
        case sfBytesSent:
            r.BytesSent = static_cast<int>(ReadDword(info, infoLength));
            break;
        case sfResponseBytes:
            r.ResponseBytes = static_cast<int>(ReadDword(info, infoLength));
            r.TotalResponseBytes += r.ResponseBytes;
            break;
        case sfRedirectURL:
            r.RedirectURL = ZeroTerminatedWide(info, infoLength);
            break;
        case sfNone:
            break;
        }
        FireEvent(&r, e.Event, true);
        return;
    }
}

template <class Pred> bool TAdvHttp::WaitDispatchingSent(Pred done, DWORD timeoutMs)
{
    // Sent messages are dispatched while waiting: a thread blocked delivering an event to this
    // thread has to get through before it can end.
    const ULONGLONG until = timeoutMs == INFINITE ? ~0ULL : GetTickCount64() + timeoutMs;
    while (!done()) {
        if (GetTickCount64() >= until)
            return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_SENDMESSAGE);
        MSG msg;
        PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
    }
    return true;
}

bool TAdvHttp::DeliveringFor(const TRequest& r) const
{
    return std::any_of(FActiveDeliveries.begin(), FActiveDeliveries.end(),
                       [&r](const TDelivery* d) { return d->Request == &r; });
}

// ---- sessions ----

void TAdvHttp::OpenSession()
{
    Guard([&] {
        const std::wstring agent = rtl::Utf8ToWide(FUserAgent), proxy = rtl::Utf8ToWide(FProxy);
        TInternetHandle session(
            FProxy.empty()
                ? InternetOpenW(agent.c_str(), INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, FSessionMode)
                : InternetOpenW(agent.c_str(), INTERNET_OPEN_TYPE_PROXY, proxy.c_str(), nullptr, FSessionMode));
        CheckResult(nullptr, static_cast<bool>(session));
        FSession = std::make_shared<TInternetHandle>(std::move(session));
        FSessionAsync = (FSessionMode & INTERNET_FLAG_ASYNC) != 0;
        InternetSetStatusCallbackW(FSession->Get(), &TAdvHttp::StatusCallback);
    }).PassOn(FRaiseExceptions);
}

void TAdvHttp::CloseSession()
{
    StopRequest();
    if (FRequest)
        FRequest->Close();
    FSession.reset();
}

// ---- requests ----

// The request under way is aborted, and its worker may report what it read before anything else
// happens: its OnRequestComplete with the part of the body read so far comes first. Not waited
// for: a worker in the credentials dialog (Abort has closed the dialog; the worker ends when it
// has), one whose delivery to this thread is running (it goes on when this returns), and one
// that takes longer than a moment; whatever they report later is dropped.
void TAdvHttp::StopRequest()
{
    const std::shared_ptr<TRequest> r = FRequest;
    if (!r)
        return;
    if (r->Open)
        AbortRequest(*r);
    if (r->WorkerRunning && !r->AwaitingUser && !DeliveringFor(*r))
        WaitDispatchingSent([&] { return !r->WorkerRunning || r->AwaitingUser; }, kSettleTime);
}

void TAdvHttp::ReleasePrevious()
{
    StopRequest();
    FFinishing.erase(std::remove_if(FFinishing.begin(), FFinishing.end(),
                                    [](const std::shared_ptr<TRequest>& r) { return !r->WorkerRunning; }),
                     FFinishing.end());
    if (!FRequest)
        return;
    {
        std::lock_guard<std::mutex> lock(FRequest->Lock);
        FRequest->Superseded = true;
    }
    if (FRequest->WorkerRunning)
        FFinishing.push_back(FRequest);
}

// A request takes what it needs of the properties now: its threads never read them. The status
// and headers of the last response stay until a response replaces them.
std::shared_ptr<TAdvHttp::TRequest> TAdvHttp::NewRequest(bool synchronous)
{
    auto r = std::make_shared<TRequest>();
    r->Link = FLink;
    r->Async = !synchronous;
    r->RaiseExceptions = FRaiseExceptions;
    r->DefaultUi = FDefaultUi;
    r->DialogDemands = FDialogDemands;
    r->AuthRetries = FAuthRetries;
    r->MaxBodySize = FMaxBodySize;
    r->MaxHeaderLines = FMaxHeaderLines;
    r->StallTimeout = static_cast<DWORD>(std::max(FStallTimeout, 0));
    r->TotalTimeout = static_cast<DWORD>(std::max(FTotalTimeout, 0));
    if (FRequestHeaders.Count() > 0)
        r->SendHeaders = rtl::Utf8ToWide(FRequestHeaders.Text() + "\r\n");
    r->SendBody = FRequestBody;
    if (r->Async)
        r->Wake.Reset(CreateEventW(nullptr, FALSE, FALSE, nullptr));
    if (FRequest) {
        r->StatusCode = FRequest->StatusCode;
        r->Headers = FRequest->Headers;
        r->ServerAddress = FRequest->ServerAddress;
        r->RedirectURL = FRequest->RedirectURL;
    }
    FLastError = 0;
    return r;
}

bool TAdvHttp::Execute(bool Synchronous)
{
    ReleasePrevious();
    // A session opened in the other mode would have a synchronous caller process a pending send
    // (or a worker process a response the caller already read): it is opened anew.
    if (FSession && FSessionAsync == Synchronous)
        FSession.reset();
    FSessionMode = Synchronous ? 0 : INTERNET_FLAG_ASYNC;
    const std::shared_ptr<TRequest> r = FRequest = NewRequest(Synchronous);
    bool opened = true, handedToWorker = false;
    TStepEnd end = Guard([&] {
        if (!FSession)
            OpenSession();
        // Not raised: the failure went out through OnError.
        if (!(opened = FSession != nullptr))
            return;
        r->Session = FSession;
        Connect(*r);
        OpenRequest(r);
        ApplyCredentials();
        SendRequest(*r);
        if (r->Async) {
            StartWorker(r);
            handedToWorker = true;
        } else {
            while (ProcessResponse(*r)) {
            }
        }
    });
    if (end.SenderGone)
        return false;
    // A failure inside Execute does not close what it had opened: Busy stays true until Abort.
    if (!handedToWorker)
        r->Leave();
    end.RaiseFailure(FRaiseExceptions);
    return opened && !end.Failure;
}

void TAdvHttp::Connect(TRequest& r)
{
    TInternetHandle connection(InternetConnectW(FSession->Get(), rtl::Utf8ToWide(FHostName).c_str(),
                                                static_cast<INTERNET_PORT>(FPort & 0xFFFF), nullptr, nullptr,
                                                INTERNET_SERVICE_HTTP, 0, 0));
    CheckResult(&r, static_cast<bool>(connection));
    DWORD timeout = static_cast<DWORD>(FConnectTimeout);
    InternetSetOptionW(connection.Get(), INTERNET_OPTION_CONNECT_TIMEOUT, &timeout, sizeof timeout);
    std::lock_guard<std::mutex> lock(r.Lock);
    r.Connection = std::move(connection);
}

void TAdvHttp::OpenRequest(const std::shared_ptr<TRequest>& r)
{
    const std::wstring objectName = rtl::Utf8ToWide(FURLPath + FExtraInfo);
    std::vector<std::wstring> acceptNames;
    const wchar_t* accept[101] = {};
    const wchar_t** acceptTypes = nullptr;
    if (!FAcceptTypes.Text().empty()) {
        for (int i = 0; i < FAcceptTypes.Count() && i < 100; ++i)
            acceptNames.push_back(rtl::Utf8ToWide(FAcceptTypes.Strings(i)));
        for (std::size_t i = 0; i < acceptNames.size(); ++i)
            if (!acceptNames[i].empty())
                accept[i] = acceptNames[i].c_str();
        acceptTypes = accept;
    }
    HINTERNET connection;
    {
        std::lock_guard<std::mutex> lock(r->Lock);
        connection = r->Connection.Get();
    }
    TInternetHandle request(HttpOpenRequestW(
        connection, rtl::Utf8ToWide(FMethod).c_str(), objectName.c_str(), nullptr, nullptr, acceptTypes,
        FRequestFlags | (FSSL ? INTERNET_FLAG_SECURE : 0), reinterpret_cast<DWORD_PTR>(r.get())));
    CheckResult(r.get(), static_cast<bool>(request));
    std::lock_guard<std::mutex> lock(r->Lock);
    r->Handle = std::move(request);
    r->HeldByWinInet = r;
    ++LiveRequests();
}

// The new connection has no credentials, so an empty pair is not applied: Wine's WinInet would
// send it as an empty Basic authorization and answer each 401 with a second try. A user name is
// applied with its password, even an empty one: Wine's credentials dialog reads the password of
// a connection that has a user name, and crashes on one it never got.
void TAdvHttp::ApplyCredentials()
{
    const struct {
        DWORD UserOption, PasswordOption;
        const std::string &User, &Password;
    } pairs[] = {{INTERNET_OPTION_USERNAME, INTERNET_OPTION_PASSWORD, FUserName, FPassword},
                 {INTERNET_OPTION_PROXY_USERNAME, INTERNET_OPTION_PROXY_PASSWORD, FProxyUserName, FProxyPassword}};
    for (const auto& p : pairs) {
        if (p.User.empty() && p.Password.empty())
            continue;
        ApplyCredential(p.UserOption, p.User);
        ApplyCredential(p.PasswordOption, p.Password);
    }
}

// Runs on the owner's thread (Execute) or on the worker (a re-send after an authentication
// demand). From the moment the send is pending, Abort may close the request itself.
void TAdvHttp::SendRequest(TRequest& r)
{
    HINTERNET handle;
    {
        std::lock_guard<std::mutex> lock(r.Lock);
        handle = r.Handle.Get();
        r.Pending = r.Async ? TRequest::pdSend : TRequest::pdNone;
        r.OpFinished = false;
        r.OpError = 0;
        r.SendStart = GetTickCount64();
        r.LastProgress = r.SendStart;
        r.OpStallTimeout = r.StallTimeout;
    }
    void* body = r.SendBody.empty() ? nullptr : &r.SendBody[0];
    BOOL ok =
        HttpSendRequestW(handle, r.SendHeaders.empty() ? nullptr : r.SendHeaders.c_str(),
                         static_cast<DWORD>(r.SendHeaders.size()), body, static_cast<DWORD>(r.SendBody.size()));
    DWORD error = ok ? 0 : GetLastError();
    if (r.Async) {
        std::lock_guard<std::mutex> lock(r.Lock);
        if (ok || error != ERROR_IO_PENDING) {
            // Finished at once: no completion will come.
            r.Pending = TRequest::pdNone;
            r.OpFinished = true;
            r.OpError = error;
        }
        if (r.Phase == TRequest::psProcessing)
            r.Phase = TRequest::psSending;
    }
    SetLastError(error);
    CheckResult(&r, ok != FALSE);
}

void TAdvHttp::StartWorker(const std::shared_ptr<TRequest>& r)
{
    // The worker runs on a thread of the system's pool, told that it may run long (it waits for
    // the network and for the owner's handlers).
    auto start = std::make_unique<TWorkerStart>(TWorkerStart{this, r});
    ++FRunningWorkers;
    r->WorkerRunning = true;
    if (!QueueUserWorkItem(&TAdvHttp::WorkerEntry, start.get(), WT_EXECUTELONGFUNCTION)) {
        DWORD error = GetLastError();
        r->WorkerRunning = false;
        --FRunningWorkers;
        SetLastError(error);
        CheckResult(r.get(), false);
    }
    start.release(); // the worker's now
}

DWORD WINAPI TAdvHttp::WorkerEntry(LPVOID param)
{
    std::unique_ptr<TWorkerStart> start(static_cast<TWorkerStart*>(param));
    TAdvHttp* self = start->Self;
    const std::shared_ptr<TRequest> r = std::move(start->Request);
    start.reset();
    // A failure was reported through OnError already, or came from a handler.
    if (Guard([&] { self->Work(*r); }).SenderGone) {
        // The component is gone; its request is closed without it.
        r->Close();
        r->WorkerRunning = false;
        return 0;
    }
    r->Leave();
    // The last touch of the component: its destructor may go on from here.
    --self->FRunningWorkers;
    return 0;
}

// The worker: waits for the send, processes the response, and again after a re-send.
void TAdvHttp::Work(TRequest& r)
{
    for (;;) {
        DWORD error = 0;
        switch (AwaitOperation(r, error)) {
        case weAborted:
            return;
        case weFailed:
            // The request waits for Abort.
            RecordError(&r, static_cast<int>(error));
            return;
        case weTimedOut:
            r.Close();
            RecordError(&r, ERROR_INTERNET_TIMEOUT);
            return;
        case weDone:
            break;
        }
        if (!ProcessResponse(r))
            return;
    }
}

// Waits for the request's pending send or read. It ends with the operation, with Abort (or the
// request's closing), or when the network has made no progress for the stall time-out or the
// request has run for its total time since its send.
TAdvHttp::TWaitEnd TAdvHttp::AwaitOperation(TRequest& r, DWORD& error)
{
    for (;;) {
        DWORD wait;
        {
            std::lock_guard<std::mutex> lock(r.Lock);
            if (r.AbortRequested || !r.Open)
                return weAborted;
            if (r.OpFinished) {
                r.Phase = TRequest::psProcessing;
                error = r.OpError;
                return error ? weFailed : weDone;
            }
            const ULONGLONG never = ~0ULL, now = GetTickCount64();
            const ULONGLONG stallAt = r.OpStallTimeout ? r.LastProgress + r.OpStallTimeout : never;
            const ULONGLONG totalAt = r.TotalTimeout ? r.SendStart + r.TotalTimeout : never;
            const ULONGLONG at = std::min(stallAt, totalAt);
            if (now >= at) {
                // Given up: a completion that comes later changes nothing.
                r.Phase = TRequest::psProcessing;
                r.Pending = TRequest::pdNone;
                return weTimedOut;
            }
            wait = at == never ? INFINITE : static_cast<DWORD>(std::min<ULONGLONG>(at - now, 0x7FFFFFFF));
        }
        WaitForSingleObject(r.Wake.Get(), wait);
    }
}

// Once per completed send. True when the request was sent again (after an authentication demand):
// its response is processed in turn.
bool TAdvHttp::ProcessResponse(TRequest& r)
{
    if (!QueryStatusCode(r)) {
        TStepEnd read = Guard([&] {
            ReadResponseHeaders(r);
            ReadBody(r);
        });
        read.PassOn(false);
        // A discarded or broken body is no document; its failure went out through OnError.
        if (r.LastError != kOperationCancelled && r.BodyEnd != beFailed && r.BodyEnd != beTooLarge)
            FireEvent(&r, &TAdvHttp::OnRequestComplete);
        read.RaiseFailure();
        return false;
    }
    if (r.AuthAttempts >= r.AuthRetries) {
        RecordError(&r, kOperationCancelled);
        return false;
    }
    if (r.DefaultUi) {
        const unsigned demand = r.StatusCode == HTTP_STATUS_PROXY_AUTH_REQ ? adProxy : adServer;
        if (!(r.DialogDemands & demand)) {
            RecordError(&r, kOperationCancelled);
            return false;
        }
        if (!AskForCredentials(r))
            return false;
    }
    ++r.AuthAttempts;
    bool aborted;
    {
        std::lock_guard<std::mutex> lock(r.Lock);
        // A synchronous Abort from a handler, or one during the dialog.
        aborted = r.AbortRequested || !r.Open;
    }
    if (aborted) {
        r.Close();
        return false;
    }
    SendRequest(r);
    return true;
}

// WinInet's credentials dialog on the processing thread; false when the user gave up. An Abort
// meanwhile cancels the dialog and is left to the caller.
bool TAdvHttp::AskForCredentials(TRequest& r)
{
    HINTERNET handle;
    {
        std::lock_guard<std::mutex> lock(r.Lock);
        if (r.AbortRequested || !r.Open)
            return true;
        handle = r.Handle.Get();
        r.DialogThread = GetCurrentThreadId();
        r.AwaitingUser = true;
    }
    void* data = nullptr;
    DWORD answer = InternetErrorDlg(GetDesktopWindow(), handle, static_cast<DWORD>(r.LastError),
                                    FLAGS_ERROR_UI_FILTER_FOR_ERRORS | FLAGS_ERROR_UI_FLAGS_CHANGE_OPTIONS |
                                        FLAGS_ERROR_UI_FLAGS_GENERATE_DATA,
                                    &data);
    bool aborted;
    {
        std::lock_guard<std::mutex> lock(r.Lock);
        r.DialogThread = 0;
        r.AwaitingUser = false;
        aborted = r.AbortRequested;
    }
    if (!aborted && (answer == ERROR_SUCCESS || answer == ERROR_CANCELLED)) {
        RecordError(&r, kOperationCancelled);
        return false;
    }
    return true;
}

bool TAdvHttp::QueryStatusCode(TRequest& r)
{
    DWORD code = 0;
    TStepEnd queried = Guard([&] {
        DWORD size = sizeof code;
        BOOL ok = HttpQueryInfoW(r.RequestHandle(), HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &code, &size,
                                 nullptr);
        CheckResult(&r, ok != FALSE);
    });
    queried.PassOn(false);
    if (queried.Failure)
        return false;
    r.StatusCode = static_cast<int>(code);
    if (code == HTTP_STATUS_DENIED) {
        FireEvent(&r, &TAdvHttp::OnNeedAuth);
        return true;
    }
    if (code == HTTP_STATUS_PROXY_AUTH_REQ) {
        FireEvent(&r, &TAdvHttp::OnNeedProxyAuth);
        return true;
    }
    return false;
}

void TAdvHttp::ReadResponseHeaders(TRequest& r)
{
    HINTERNET handle = r.RequestHandle();
    if (!handle)
        return;
    Guard([&] {
        // The size is in bytes, also for the wide text.
        std::vector<wchar_t> buffer(kHeaderBufferSize);
        DWORD size = kHeaderBufferSize * sizeof(wchar_t);
        BOOL ok = HttpQueryInfoW(handle, HTTP_QUERY_RAW_HEADERS_CRLF, buffer.data(), &size, nullptr);
        if (!ok && r.MaxHeaderLines > 0 && GetLastError() == ERROR_INSUFFICIENT_BUFFER)
            RefuseHeaders(r);
        CheckResult(&r, ok != FALSE);
        r.Headers.Clear();
        if (r.LastError != 0)
            return;
        const std::string block =
            rtl::WideToUtf8(buffer.data(), std::min<DWORD>(size / sizeof(wchar_t), kHeaderBufferSize));
        if (r.MaxHeaderLines > 0 && HeaderLineCount(block) > static_cast<std::size_t>(r.MaxHeaderLines))
            RefuseHeaders(r);
        r.Headers.SetText(block);
    }).PassOn(r.RaiseExceptions);
}

// A header over the limits is the request's failure: nothing of the response is read or kept.
void TAdvHttp::RefuseHeaders(TRequest& r)
{
    r.Headers.Clear();
    r.BodyEnd = beFailed;
    r.Close();
    SetLastError(kErrorHeadersTooLarge);
    CheckResult(&r, false);
}

// The read size for the body, by its declared length; a declared length over the limit ends the
// body before anything is read.
DWORD TAdvHttp::PrepareBodyRead(TRequest& r)
{
    HINTERNET handle = r.RequestHandle();
    wchar_t length[32];
    DWORD size = sizeof length - sizeof(wchar_t);
    if (!handle || !HttpQueryInfoW(handle, HTTP_QUERY_CONTENT_LENGTH, length, &size, nullptr))
        return kSmallRead;
    length[std::min<DWORD>(size / sizeof(wchar_t), 31)] = L'\0';
    const unsigned long long declared = std::wcstoull(length, nullptr, 10);
    if (r.MaxBodySize > 0 && declared > r.MaxBodySize)
        r.BodyEnd = beTooLarge;
    return declared >= kLargeBody ? kLargeRead : kSmallRead;
}

void TAdvHttp::ReadBody(TRequest& r)
{
    r.Body.clear();
    // Refused before its body (its header, say): the request is closed already.
    if (r.BodyEnd == beFailed)
        return;
    const DWORD readSize = PrepareBodyRead(r);
    TStepEnd read = Guard([&] {
        DWORD count = 0;
        while (r.BodyEnd == beNone && ReadChunk(r, readSize, count)) {
            if (count == 0) {
                r.BodyEnd = beComplete;
                break;
            }
            if (r.MaxBodySize > 0 && r.Body.size() + count > r.MaxBodySize) {
                r.BodyEnd = beTooLarge;
                break;
            }
            r.ChunkPosition = static_cast<int>(r.Body.size());
            r.Body.append(r.Chunk.get(), std::min(count, r.ChunkCapacity));
            r.ChunkSize = static_cast<int>(count);
            r.BytesRead += static_cast<int>(count);
            FireEvent(&r, &TAdvHttp::OnDataAvailable);
        }
    });
    read.PassOn(false);
    // A handler's exception ends the body as an Abort would.
    if (r.BodyEnd == beNone)
        r.BodyEnd = beAborted;
    std::exception_ptr failure = r.RaiseExceptions ? read.Failure : nullptr;
    if (r.BodyEnd == beTooLarge)
        std::string().swap(r.Body);
    // The chunk buffer belongs to the request, which lives until WinInet has finished with the
    // handle, so a read still pending after the close writes into live memory.
    r.Close();
    if (r.BodyEnd == beTooLarge)
        RefuseTooLarge(r, failure);
    if (failure)
        std::rethrow_exception(failure);
}

void TAdvHttp::RefuseTooLarge(TRequest& r, std::exception_ptr& failure)
{
    TStepEnd refused = Guard([&] {
        SetLastError(kErrorBodyTooLarge);
        CheckResult(&r, false);
    });
    refused.PassOn(false);
    if (r.RaiseExceptions && refused.Failure)
        failure = refused.Failure;
}

// One read of the body into the request's chunk: false when the body ends without data (Abort,
// or a failure, which is raised).
bool TAdvHttp::ReadChunk(TRequest& r, DWORD readSize, DWORD& count)
{
    HINTERNET handle;
    {
        std::lock_guard<std::mutex> lock(r.Lock);
        if (r.AbortRequested || !r.Open) {
            r.BodyEnd = beAborted;
            return false;
        }
        r.Read = INTERNET_BUFFERSA{};
        r.Read.dwStructSize = sizeof r.Read;
        if (r.ChunkCapacity < readSize) {
            r.Chunk.reset(new char[readSize]);
            r.ChunkCapacity = readSize;
        }
        r.Read.lpvBuffer = r.Chunk.get();
        r.Read.dwBufferLength = readSize;
        r.OpFinished = false;
        r.Pending = r.Async ? TRequest::pdRead : TRequest::pdNone;
        r.LastProgress = GetTickCount64();
        // Under Wine a read completes only when its buffer is full, with no sign of the bytes that
        // arrive meanwhile: a larger read may take as much longer.
        r.OpStallTimeout = static_cast<ULONGLONG>(r.StallTimeout) * std::max<DWORD>(readSize / kSmallRead, 1);
        handle = r.Handle.Get();
    }
    BOOL ok = InternetReadFileExA(handle, &r.Read, r.Async ? IRF_ASYNC : 0, 0);
    DWORD error = ok ? 0 : (GetLastError() ? GetLastError() : ERROR_INTERNET_INTERNAL_ERROR);
    count = 0;
    if (ok || error != ERROR_IO_PENDING) {
        std::lock_guard<std::mutex> lock(r.Lock);
        // Finished here; a completion that came first changes nothing.
        r.Pending = TRequest::pdNone;
        count = ok ? r.Read.dwBufferLength : 0;
    } else {
        RecordError(&r, kErrorIoPending);
        switch (AwaitOperation(r, error)) {
        case weAborted:
            r.BodyEnd = beAborted;
            return false;
        case weTimedOut:
            error = ERROR_INTERNET_TIMEOUT;
            break;
        case weFailed:
            break;
        case weDone: {
            std::lock_guard<std::mutex> lock(r.Lock);
            count = r.Read.dwBufferLength;
            break;
        }
        }
    }
    if (error) {
        // A failed read is the request's failure, never the end of its body. A request given up
        // is closed before it is reported, as one whose send timed out.
        r.BodyEnd = beFailed;
        if (error == ERROR_INTERNET_TIMEOUT)
            r.Close();
        SetLastError(error);
        CheckResult(&r, false);
    }
    RecordError(&r, 0);
    return true;
}

void TAdvHttp::Abort()
{
    if (FRequest)
        AbortRequest(*FRequest);
}

// One decision under one lock: a request that is being processed is left to its processing
// thread, which is woken; otherwise the handles are taken out here, and a worker waiting for the
// send finds the request closed.
void TAdvHttp::AbortRequest(TRequest& r)
{
    TDetached closing;
    DWORD dialog;
    {
        std::lock_guard<std::mutex> lock(r.Lock);
        r.AbortRequested = true;
        if (r.Phase == TRequest::psSending || r.Phase == TRequest::psStalled)
            closing = r.DetachLocked();
        dialog = r.DialogThread;
    }
    if (r.Wake)
        SetEvent(r.Wake.Get());
    if (dialog)
        CancelDialogsOf(dialog);
    CloseDetached(std::move(closing));
}

// ---- run-time state ----

namespace {
const std::string& NoText()
{
    static const std::string text;
    return text;
}
const TStringList& NoLines()
{
    static const TStringList lines;
    return lines;
}
} // namespace

bool TAdvHttp::Busy() const
{
    return FRequest && FRequest->Open;
}
bool TAdvHttp::AwaitingUser() const
{
    return FRequest && FRequest->AwaitingUser;
}
int TAdvHttp::StatusCode() const
{
    return FRequest ? FRequest->StatusCode : 0;
}
const TStringList& TAdvHttp::ResponseHeaders() const
{
    return FRequest ? FRequest->Headers : NoLines();
}
const std::string& TAdvHttp::ServerAddress() const
{
    return FRequest ? FRequest->ServerAddress : NoText();
}
const std::string& TAdvHttp::RedirectURL() const
{
    return FRequest ? FRequest->RedirectURL : NoText();
}
int TAdvHttp::BytesSent() const
{
    return FRequest ? FRequest->BytesSent : 0;
}
int TAdvHttp::ResponseBytes() const
{
    return FRequest ? FRequest->ResponseBytes : 0;
}
int TAdvHttp::TotalResponseBytes() const
{
    return FRequest ? FRequest->TotalResponseBytes : 0;
}
void* TAdvHttp::StatusInfo() const
{
    return FRequest ? FRequest->StatusInfo : nullptr;
}
int TAdvHttp::StatusInfoLength() const
{
    return FRequest ? FRequest->StatusInfoLength : 0;
}
int TAdvHttp::ChunkPosition() const
{
    return FRequest ? FRequest->ChunkPosition : 0;
}
int TAdvHttp::ChunkSize() const
{
    return FRequest ? FRequest->ChunkSize : 0;
}
int TAdvHttp::BytesRead() const
{
    return FRequest ? FRequest->BytesRead : 0;
}
TBodyEnd TAdvHttp::BodyEnd() const
{
    return FRequest ? FRequest->BodyEnd : beNone;
}
const std::string& TAdvHttp::ResponseBody() const
{
    return FRequest ? FRequest->Body : NoText();
}
std::string TAdvHttp::Text() const
{
    const std::string& body = ResponseBody();
    std::size_t zero = body.find('\0');
    return zero == std::string::npos ? body : body.substr(0, zero);
}
