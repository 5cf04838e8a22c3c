#include "net/adv_http.h"

#include <algorithm>
#include <cstring>
#include <cwchar>
#include <memory>
#include <mutex>
#include <set>
#include <vector>

#include "gui/controls.h"
#include "net/http_address.h"
#include "rtl/wide.h"

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

// Set while a thread runs the status callback, so that a delivery knows where it came from.
thread_local bool tInStatusCallback = false;
// The component whose worker the current thread is, if any, and the worker's ticket.
thread_local const void* tWorkerOf = nullptr;
thread_local unsigned long long tWorkerTicket = 0;
// The request generation the current thread works for (0: whichever is current); events and
// errors of an older one are dropped.
thread_local unsigned long long tGeneration = 0;

struct TGenerationScope {
    explicit TGenerationScope(unsigned long long g) : Saved(tGeneration) { tGeneration = g; }
    ~TGenerationScope() { tGeneration = Saved; }
    TGenerationScope(const TGenerationScope&) = delete;
    TGenerationScope& operator=(const TGenerationScope&) = delete;
    unsigned long long Saved;
};

// Instances that status callbacks may still reach; a request record names its owner and the
// owner's serial, so a record that outlives its component (WinInet reports a closing handle
// late) never reaches another component that happens to live at the same address.
std::mutex& LiveLock()
{
    static std::mutex m;
    return m;
}
std::set<const void*>& LiveSet()
{
    static std::set<const void*> s;
    return s;
}
std::atomic<unsigned long long> gNextSerial{1};
std::atomic<int> gLiveRecords{0};

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

} // namespace

// One per opened request; WinInet gets it as the request's context. It owns what a pending read
// may still write into (the chunk buffer and its length), so it lives until WinInet reports the
// request handle closing, which it does only when nothing is pending on the handle any more.
// The read's outcome fields are guarded by the owner's lock.
struct TAdvHttp::TRequestRecord {
    TRequestRecord(TAdvHttp* owner, unsigned long long serial, unsigned long long generation)
        : Owner(owner), Serial(serial), Generation(generation)
    {
        ++gLiveRecords;
    }
    ~TRequestRecord() { --gLiveRecords; }
    TAdvHttp* Owner;
    unsigned long long Serial;
    unsigned long long Generation;
    // The count of a read goes into the buffer description, which only the read itself writes:
    // Wine's plain read clears its count after starting a pending read, and a completion that
    // comes first has written its count by then.
    INTERNET_BUFFERSA Read = {};
    bool ReadFinished = false;
    DWORD ReadError = 0;
    // Made by the first read of the body, before WinInet has it (not cleared: the reads fill it).
    std::unique_ptr<char[]> Chunk;
    DWORD ChunkSize = 0;
};

// One event delivery: every firing thread has its own, so concurrent deliveries from WinInet's
// threads and the worker never share a handler or a captured exception.
struct TAdvHttp::TDelivery : THttpDelivery {
    enum TSource { dsOwner, dsCallback, dsWorker };
    TDelivery(TAdvHttp* sender, TNotifyEvent TAdvHttp::*handler, TSource source, unsigned long long generation)
        : Sender(sender), Handler(handler), Source(source), Generation(generation)
    {
    }
    void Run() noexcept override { Sender->Deliver(*this); }
    TAdvHttp* Sender;
    TNotifyEvent TAdvHttp::*Handler;
    TSource Source;
    std::exception_ptr Captured;
    bool SenderGone = false;
    unsigned long long Generation;
};

struct TAdvHttp::TWorkerStart {
    TAdvHttp* Self;
    unsigned long long Generation;
    unsigned long long Ticket;
};

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
// waits for it: the request record goes with the closing notification as always. A pooled
// thread is usually waiting already; starting a thread of our own costs milliseconds each time.
void TAdvHttp::TDetached::Close()
{
    if (!Request && !Connection) {
        Session.reset();
        return;
    }
    auto rest =
        std::make_unique<TDetached>(TDetached{std::move(Session), std::move(Connection), std::move(Request)});
    // The closer owns the handles now, or they are closed here.
    TDetached* handedOver = rest.release();
    if (!QueueUserWorkItem(&TAdvHttp::CloserEntry, handedOver, WT_EXECUTELONGFUNCTION))
        CloserEntry(handedOver);
}

DWORD RequestFlagWord(TInternetFlags flags)
{
    DWORD word = 0;
    for (const TFlagMap& m : kFlagMap)
        if (flags & InternetFlag(m.Member))
            word |= m.Flag;
    return word;
}

TAdvHttp::TAdvHttp(TComponent* AOwner) : TComponent(AOwner), FSerial(gNextSerial++)
{
    FMarshalEvents = AOwner && dynamic_cast<TWinControl*>(AOwner) != nullptr;
    SetInternetFlags(kDefaultInternetFlags);
    FWake.Reset(CreateSemaphoreW(nullptr, 0, 0x7FFFFFFF, nullptr));
    if (FMarshalEvents)
        THttpEventWindow::AddUser();
    std::lock_guard<std::mutex> lock(LiveLock());
    LiveSet().insert(this);
}

TAdvHttp::~TAdvHttp()
{
    FDestroying = true;
    {
        std::lock_guard<std::mutex> lock(LiveLock());
        LiveSet().erase(this);
    }
    // A handler that destroys us runs inside deliveries whose firing threads are blocked until it
    // returns; they cannot end before we do, so they are told to leave us alone instead.
    int nestedWorkers = 0, nestedCallbacks = 0;
    for (TDelivery* d : FActiveDeliveries) {
        d->SenderGone = true;
        if (d->Source == TDelivery::dsWorker)
            ++nestedWorkers;
        else if (d->Source == TDelivery::dsCallback)
            ++nestedCallbacks;
    }
    FAbortRequested = true;
    if (FRunningWorkers > 0 && FWake)
        ReleaseSemaphore(FWake.Get(), 1, nullptr);
    // Callbacks are counted first: one may still start a worker, which it counts before it ends.
    WaitDispatchingSent([&] { return FCallbacksInFlight <= nestedCallbacks && FRunningWorkers <= nestedWorkers; });
    FRequestBody.clear();
    FBody.clear();
    FAcceptTypes.Clear();
    CloseRequest();
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
    if (FConnection) {
        // A string option's length counts its characters.
        std::wstring wide = rtl::Utf8ToWide(value);
        InternetSetOptionW(FConnection.Get(), option, &wide[0], static_cast<DWORD>(wide.size()));
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

std::string TAdvHttp::Text() const
{
    std::size_t zero = FBody.find('\0');
    return zero == std::string::npos ? FBody : FBody.substr(0, zero);
}

// ---- addresses ----

void TAdvHttp::BuildURL()
{
    std::string url;
    CheckResult(BuildHttpAddress(FSSL, FHostName, FPort, FURLPath + FExtraInfo, url));
    FURL = url;
}

// The address is taken apart into the properties it names; the caller restores URL when this
// fails.
void TAdvHttp::SplitURL(const std::string& url)
{
    THttpAddressParts parts;
    CheckResult(SplitHttpAddress(url, parts));
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

void TAdvHttp::RecordError(int code)
{
    {
        std::lock_guard<std::mutex> lock(FLock);
        // A late failure of an earlier request does not touch the one under way.
        if (tGeneration && tGeneration != FGeneration)
            return;
        FLastError = code;
    }
    if (code != 0 && code != kErrorIoPending && OnError)
        FireEvent(&TAdvHttp::OnError);
}

void TAdvHttp::CheckResult(bool ok)
{
    // Read the thread's error before anything else can overwrite it. A failure that names no
    // error is still a failure.
    DWORD error = ok ? 0 : GetLastError();
    if (!ok && error == 0)
        error = ERROR_INTERNET_INTERNAL_ERROR;
    RecordError(0);
    if (ok)
        return;
    RecordError(static_cast<int>(error));
    if (error != 0 && error != ERROR_IO_PENDING)
        throw EInetError(FailureText(static_cast<int>(error)));
}

// ---- events ----

int TAdvHttp::LiveRequestRecords()
{
    return gLiveRecords;
}

// Runs on the owner's thread, inside the event window's procedure.
void TAdvHttp::Deliver(TDelivery& d) noexcept
{
    d.Captured = nullptr;
    // A delivery sent before destruction began arrives while the destructor waits: it completes
    // without running the handler. One sent for a request before the current one is dropped: the
    // owner's thread starts requests, so nothing can start one between this test and the handler.
    if (FDestroying || d.Generation != FGeneration)
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

void TAdvHttp::FireEvent(TNotifyEvent TAdvHttp::*handler)
{
    // An unassigned event costs no round trip to the owner's thread (the presence is tested
    // again there, where the handler runs).
    if (FDestroying || !(this->*handler))
        return;
    unsigned long long generation = tGeneration ? tGeneration : FGeneration.load();
    if (FMarshalEvents && THttpEventWindow::Handle()) {
        TDelivery d(this, handler, TDelivery::dsOwner, generation);
        if (tInStatusCallback)
            d.Source = TDelivery::dsCallback;
        else if (!THttpEventWindow::OnOwnThread())
            d.Source = TDelivery::dsWorker;
        THttpEventWindow::Send(d);
        if (d.SenderGone)
            throw TSenderGone();
        if (d.Captured)
            std::rethrow_exception(d.Captured);
        return;
    }
    // Without the owner's thread to order them, an event can still race the start of the next
    // request by the width of this test.
    TNotifyEvent h = this->*handler;
    if (h && generation == FGeneration)
        h(this);
}

void CALLBACK TAdvHttp::StatusCallback(HINTERNET, DWORD_PTR context, DWORD status, LPVOID info, DWORD infoLength)
{
    if (!context)
        return;
    auto* record = reinterpret_cast<TRequestRecord*>(context);
    TAdvHttp* owner = nullptr;
    {
        std::lock_guard<std::mutex> lock(LiveLock());
        if (LiveSet().count(record->Owner) && record->Owner->FSerial == record->Serial) {
            owner = record->Owner;
            ++owner->FCallbacksInFlight;
        }
    }
    if (owner) {
        bool wasInCallback = tInStatusCallback;
        tInStatusCallback = true;
        // Nothing passes into WinInet.
        bool gone = Guard([&] {
                        TGenerationScope scope(record->Generation);
                        owner->HandleStatus(status, info, infoLength, record);
                    }).SenderGone;
        tInStatusCallback = wasInCallback;
        if (!gone)
            --owner->FCallbacksInFlight;
    }
    if (status == INTERNET_STATUS_HANDLE_CLOSING)
        delete record;
}

void TAdvHttp::HandleStatus(DWORD status, void* info, DWORD infoLength, TRequestRecord* record)
{
    TNotifyEvent TAdvHttp::*event = nullptr;
    int failure = 0;
    DWORD startError = 0;
    {
        std::lock_guard<std::mutex> lock(FLock);
        // A request started after this one owns the state now.
        if (record->Generation != FGeneration)
            return;
        FStatusInfo = info;
        FStatusInfoLength = static_cast<int>(infoLength);
        switch (status) {
        case INTERNET_STATUS_RESOLVING_NAME:
            event = &TAdvHttp::OnResolvingName;
            break;
        case INTERNET_STATUS_NAME_RESOLVED:
            FServerAddress = ZeroTerminated(info, infoLength);
            event = &TAdvHttp::OnNameResolved;
            break;
        case INTERNET_STATUS_CONNECTING_TO_SERVER:
            FServerAddress = ZeroTerminated(info, infoLength);
            event = &TAdvHttp::OnConnectingToServer;
            break;
        case INTERNET_STATUS_CONNECTED_TO_SERVER:
            FServerAddress = ZeroTerminated(info, infoLength);
            event = &TAdvHttp::OnConnectedToServer;
            break;
        case INTERNET_STATUS_SENDING_REQUEST:
            event = &TAdvHttp::OnSendingRequest;
            break;
        case INTERNET_STATUS_REQUEST_SENT:
            FBytesSent = static_cast<int>(ReadDword(info, infoLength));
            event = &TAdvHttp::OnRequestSent;
            break;
        case INTERNET_STATUS_RECEIVING_RESPONSE:
            event = &TAdvHttp::OnReceivingResponse;
            break;
        case INTERNET_STATUS_RESPONSE_RECEIVED:
            FResponseBytes = static_cast<int>(ReadDword(info, infoLength));
            FTotalResponseBytes += FResponseBytes;
            event = &TAdvHttp::OnResponseReceived;
            break;
        case INTERNET_STATUS_CLOSING_CONNECTION:
            event = &TAdvHttp::OnClosingConnection;
            break;
        case INTERNET_STATUS_CONNECTION_CLOSED:
            event = &TAdvHttp::OnConnectionClosed;
            break;
        case INTERNET_STATUS_REQUEST_COMPLETE: {
            // Completions belong to an asynchronous session; a synchronous call reports its own result.
            if (!FSessionAsync || !info || infoLength < sizeof(INTERNET_ASYNC_RESULT))
                break;
            const auto* result = static_cast<const INTERNET_ASYNC_RESULT*>(info);
            DWORD error =
                result->dwResult ? 0 : (result->dwError ? result->dwError : ERROR_INTERNET_INTERNAL_ERROR);
            // Only what this request still waits for is taken: a request closed by Abort
            // neither starts nor wakes anything. Its failure is still the latest news of the
            // component until the next request starts.
            if (record != FRecord || FPending == pdNone) {
                failure = static_cast<int>(error);
                break;
            }
            TPending pending = FPending;
            FPending = pdNone;
            if (pending == pdRead) {
                // The worker reports the read's outcome, a failure included.
                record->ReadFinished = true;
                record->ReadError = error;
                ReleaseSemaphore(FWake.Get(), 1, nullptr);
            } else if (error) {
                failure = static_cast<int>(error);
            } else if (!StartWorkerLocked(record->Generation, startError)) {
                failure = static_cast<int>(startError);
            }
            break;
        }
        case INTERNET_STATUS_REDIRECT:
            FRedirectURL = ZeroTerminatedWide(info, infoLength);
            event = &TAdvHttp::OnRedirect;
            break;
        case INTERNET_STATUS_INTERMEDIATE_RESPONSE:
            event = &TAdvHttp::OnIntermediateResponse;
            break;
        case INTERNET_STATUS_STATE_CHANGE:
            event = &TAdvHttp::OnStateChange;
            break;
        default:
            break;
        }
    }
    if (failure)
        RecordError(failure);
    if (event)
        FireEvent(event);
}

// ---- worker ----

bool TAdvHttp::StartWorkerLocked(unsigned long long generation, DWORD& error)
{
    ++FRunningWorkers;
    // The worker runs on a thread of the system's pool, told that it may run long (it waits for
    // reads and for the owner's handlers). It is bound by its ticket under the lock before it can
    // run, so that neither Abort nor the worker itself sees a worker that is half bound; a worker
    // that re-sent after an authentication demand may still be bound, and this one takes over.
    const unsigned long long ticket = ++FWorkerTickets;
    auto start = std::make_unique<TWorkerStart>(TWorkerStart{this, generation, ticket});
    const unsigned long long previous = FWorkerTicket;
    FWorkerTicket = ticket;
    if (!QueueUserWorkItem(&TAdvHttp::WorkerEntry, start.get(), WT_EXECUTELONGFUNCTION)) {
        error = GetLastError();
        FWorkerTicket = previous;
        --FRunningWorkers;
        return false;
    }
    start.release(); // the worker's now
    return true;
}

// Called by the worker itself. With handOff, an Abort that came too late for the worker to see
// it is carried out here: Abort and this step decide under one lock which of them closes the
// request, so that it is closed exactly once and never left open. A worker that was replaced
// leaves the request to its successor.
void TAdvHttp::ForgetWorker(bool handOff, unsigned long long generation)
{
    TDetached detached;
    {
        std::lock_guard<std::mutex> lock(FLock);
        if (FWorkerTicket == 0 || FWorkerTicket != tWorkerTicket)
            return;
        FWorkerTicket = 0;
        if (handOff && FAbortRequested && FRequest && generation == FGeneration)
            DetachLocked(detached);
    }
    detached.Close();
}

DWORD WINAPI TAdvHttp::WorkerEntry(LPVOID param)
{
    std::unique_ptr<TWorkerStart> start(static_cast<TWorkerStart*>(param));
    TAdvHttp* self = start->Self;
    unsigned long long generation = start->Generation;
    // The pool's thread goes on to other work afterwards: it is nobody's worker then.
    struct TWorkerScope {
        TWorkerScope(const TAdvHttp* self, unsigned long long ticket, unsigned long long generation)
        {
            tWorkerOf = self;
            tWorkerTicket = ticket;
            tGeneration = generation;
        }
        ~TWorkerScope()
        {
            tWorkerOf = nullptr;
            tWorkerTicket = 0;
            tGeneration = 0;
        }
    } scope(self, start->Ticket, generation);
    start.reset();
    // A failure was reported through OnError already, or came from a handler.
    if (Guard([&] { self->ProcessResponse(generation); }).SenderGone)
        return 0;
    Guard([&] { self->ForgetWorker(true, generation); });
    --self->FRunningWorkers;
    return 0;
}

template <class Pred> void TAdvHttp::WaitDispatchingSent(Pred done)
{
    // Sent messages are dispatched while waiting: a thread blocked delivering an event to this
    // thread has to get through before it can end.
    while (!done()) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_SENDMESSAGE);
        MSG msg;
        PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
    }
}

// Waits until no worker runs: a finishing worker still delivers OnRequestComplete, which must
// describe its own request, not the next one. A handler run by a worker cannot wait for it; that
// is fine once the worker has let go of the request, and refused while it still holds it.
void TAdvHttp::SettleWorker()
{
    if (FRunningWorkers == 0)
        return;
    // The delivery list belongs to the owner's thread; a worker only asks about itself.
    bool onOwnWorker = tWorkerOf == this;
    bool inWorkerDelivery =
        !onOwnWorker && std::any_of(FActiveDeliveries.begin(), FActiveDeliveries.end(),
                                    [](const TDelivery* d) { return d->Source == TDelivery::dsWorker; });
    if (onOwnWorker || inWorkerDelivery) {
        if (FWorkerTicket != 0)
            throw Exception("The request is still being processed");
        return;
    }
    WaitDispatchingSent([&] { return FRunningWorkers == 0; });
}

// A request under way is aborted and its worker allowed to let go of the handles, so that
// nothing it does afterwards touches what comes next.
void TAdvHttp::StopRequest()
{
    if (FBusy)
        Abort();
    SettleWorker();
}

// ---- requests ----

void TAdvHttp::OpenSession()
{
    Guard([&] {
        const std::wstring agent = rtl::Utf8ToWide(FUserAgent), proxy = rtl::Utf8ToWide(FProxy);
        TInternetHandle session(
            FProxy.empty()
                ? InternetOpenW(agent.c_str(), INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, FSessionMode)
                : InternetOpenW(agent.c_str(), INTERNET_OPEN_TYPE_PROXY, proxy.c_str(), nullptr, FSessionMode));
        CheckResult(static_cast<bool>(session));
        FSession = std::make_shared<TInternetHandle>(std::move(session));
        FSessionAsync = (FSessionMode & INTERNET_FLAG_ASYNC) != 0;
        InternetSetStatusCallbackW(FSession->Get(), &TAdvHttp::StatusCallback);
    }).PassOn(FRaiseExceptions);
}

void TAdvHttp::CloseSession()
{
    StopRequest();
    CloseRequest();
    FSession.reset();
}

void TAdvHttp::DetachLocked(TDetached& out)
{
    FPending = pdNone;
    // The record goes with the request handle's closing notification.
    FRecord = nullptr;
    out.Session = FSession;
    out.Request = std::move(FRequest);
    out.Connection = std::move(FConnection);
    FWorkerTicket = 0;
    FAbortRequested = false;
    FBusy = false;
}

void TAdvHttp::CloseRequest()
{
    TDetached detached;
    {
        std::lock_guard<std::mutex> lock(FLock);
        DetachLocked(detached);
    }
    detached.Close();
}

// Closes the request of that generation, and nothing when a later one has started.
void TAdvHttp::CloseRequestOf(unsigned long long generation)
{
    TDetached detached;
    {
        std::lock_guard<std::mutex> lock(FLock);
        if (generation != FGeneration)
            return;
        DetachLocked(detached);
    }
    detached.Close();
}

bool TAdvHttp::Execute(bool Synchronous)
{
    StopRequest();
    // Wakes left over from the previous request would end a wait before its read completed.
    while (WaitForSingleObject(FWake.Get(), 0) == WAIT_OBJECT_0) {
    }
    FSessionMode = Synchronous ? 0 : INTERNET_FLAG_ASYNC;
    // A session opened in the other mode would have a synchronous caller process a pending send
    // (or a worker process a response the caller already read): it is opened anew.
    if (FSession && FSessionAsync != !Synchronous) {
        CloseRequest();
        FSession.reset();
    }
    FSynchronous = Synchronous;
    unsigned long long generation;
    {
        // From here on nothing of an earlier request reaches this one.
        std::lock_guard<std::mutex> lock(FLock);
        generation = ++FGeneration;
        FBusy = true;
        FAbortRequested = false;
        FPending = pdNone;
        FTotalResponseBytes = 0;
        FResponseBytes = 0;
    }
    TGenerationScope scope(generation);
    FSecureFlag = FSSL ? INTERNET_FLAG_SECURE : 0;
    FBytesRead = 0;
    FChunkSize = 0;
    FBody.clear();
    FBodyTooLarge = false;
    if (!FSession) {
        TStepEnd opened = Guard([&] { OpenSession(); });
        if (opened.SenderGone)
            return false;
        opened.RaiseFailure();
        // Not raised: the failure went out through OnError.
        if (!FSession)
            return false;
    }
    TStepEnd end = Guard([&] {
        TInternetHandle connection(InternetConnectW(FSession->Get(), rtl::Utf8ToWide(FHostName).c_str(),
                                                    static_cast<INTERNET_PORT>(FPort & 0xFFFF), nullptr, nullptr,
                                                    INTERNET_SERVICE_HTTP, 0, 0));
        CheckResult(static_cast<bool>(connection));
        {
            std::lock_guard<std::mutex> lock(FLock);
            FConnection = std::move(connection);
        }
        DWORD timeout = static_cast<DWORD>(FConnectTimeout);
        InternetSetOptionW(FConnection.Get(), INTERNET_OPTION_CONNECT_TIMEOUT, &timeout, sizeof timeout);
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
        auto* record = new TRequestRecord(this, FSerial, generation);
        TInternetHandle request(HttpOpenRequestW(
            FConnection.Get(), rtl::Utf8ToWide(FMethod).c_str(), objectName.c_str(), nullptr, nullptr, acceptTypes,
            FRequestFlags | FSecureFlag, reinterpret_cast<DWORD_PTR>(record)));
        if (!request)
            delete record;
        CheckResult(static_cast<bool>(request));
        {
            std::lock_guard<std::mutex> lock(FLock);
            FRecord = record;
            FRequest = std::move(request);
        }
        FAuthAttempts = 0;
        // The new connection has no credentials, so empty values are not applied: Wine's WinInet
        // would send them as an empty Basic authorization and answer each 401 with a second try.
        for (const auto& c : {std::make_pair(DWORD(INTERNET_OPTION_USERNAME), &FUserName),
                              std::make_pair(DWORD(INTERNET_OPTION_PASSWORD), &FPassword),
                              std::make_pair(DWORD(INTERNET_OPTION_PROXY_USERNAME), &FProxyUserName),
                              std::make_pair(DWORD(INTERNET_OPTION_PROXY_PASSWORD), &FProxyPassword)})
            if (!c.second->empty())
                ApplyCredential(c.first, *c.second);
        SendRequest(generation);
    });
    if (end.SenderGone)
        return false;
    end.RaiseFailure(FRaiseExceptions);
    return !end.Failure;
}

// Runs on the owner's thread (Execute) or on the worker of the request (a re-send), which stays
// bound meanwhile: an Abort during the send is left to it or to the worker the send starts.
void TAdvHttp::SendRequest(unsigned long long generation)
{
    FSendHeaders.clear();
    if (FRequestHeaders.Count() > 0)
        FSendHeaders = rtl::Utf8ToWide(FRequestHeaders.Text() + "\r\n");
    void* body = FRequestBody.empty() ? nullptr : &FRequestBody[0];
    if (FSessionAsync) {
        std::lock_guard<std::mutex> lock(FLock);
        FPending = pdSend;
    }
    BOOL ok =
        HttpSendRequestW(FRequest.Get(), FSendHeaders.empty() ? nullptr : FSendHeaders.c_str(),
                         static_cast<DWORD>(FSendHeaders.size()), body, static_cast<DWORD>(FRequestBody.size()));
    DWORD error = ok ? 0 : GetLastError();
    if (FSessionAsync) {
        std::lock_guard<std::mutex> lock(FLock);
        if (generation == FGeneration && FPending == pdSend && (ok || error != ERROR_IO_PENDING)) {
            FPending = pdNone;
            // Finished at once: no completion will start the worker.
            if (ok && !StartWorkerLocked(generation, error))
                ok = FALSE;
        }
    }
    SetLastError(error);
    CheckResult(ok != FALSE);
    if (FSynchronous)
        ProcessResponse(generation);
}

void TAdvHttp::ProcessResponse(unsigned long long generation)
{
    TStepEnd end = Guard([&] {
        if (!QueryStatusCode()) {
            TStepEnd read = Guard([&] {
                ReadResponseHeaders();
                ReadBody(generation);
            });
            read.PassOn(false);
            // A discarded or broken body is no document; its failure went out through OnError.
            if (FLastError != kOperationCancelled && !FBodyTooLarge && !FReadFailed)
                FireEvent(&TAdvHttp::OnRequestComplete);
            read.RaiseFailure();
        } else if (FAuthAttempts < FAuthRetries) {
            if (FDefaultUi) {
                void* data = nullptr;
                FAwaitingUser = true;
                DWORD r =
                    InternetErrorDlg(GetDesktopWindow(), FRequest.Get(), static_cast<DWORD>(FLastError.load()),
                                     FLAGS_ERROR_UI_FILTER_FOR_ERRORS | FLAGS_ERROR_UI_FLAGS_CHANGE_OPTIONS |
                                         FLAGS_ERROR_UI_FLAGS_GENERATE_DATA,
                                     &data);
                FAwaitingUser = false;
                if (r == ERROR_SUCCESS || r == ERROR_CANCELLED) {
                    RecordError(kOperationCancelled);
                    return;
                }
            }
            ++FAuthAttempts;
            bool aborted;
            {
                std::lock_guard<std::mutex> lock(FLock);
                // A synchronous Abort from a handler has closed the request already.
                aborted = FAbortRequested || !FRequest || generation != FGeneration;
            }
            if (aborted)
                CloseRequestOf(generation);
            else
                SendRequest(generation);
        } else {
            RecordError(kOperationCancelled);
        }
    });
    end.PassOn(false);
    if (end.Failure)
        FAwaitingUser = false;
    ForgetWorker(true, generation);
    end.RaiseFailure();
}

bool TAdvHttp::QueryStatusCode()
{
    DWORD code = 0;
    TStepEnd queried = Guard([&] {
        DWORD size = sizeof code;
        BOOL ok =
            HttpQueryInfoW(FRequest.Get(), HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &code, &size, nullptr);
        CheckResult(ok != FALSE);
    });
    queried.PassOn(false);
    if (queried.Failure)
        return false;
    FStatusCode = static_cast<int>(code);
    if (code == HTTP_STATUS_DENIED) {
        FireEvent(&TAdvHttp::OnNeedAuth);
        return true;
    }
    if (code == HTTP_STATUS_PROXY_AUTH_REQ) {
        FireEvent(&TAdvHttp::OnNeedProxyAuth);
        return true;
    }
    return false;
}

void TAdvHttp::ReadResponseHeaders()
{
    if (!FRequest)
        return;
    Guard([&] {
        // The size is in bytes, also for the wide text.
        std::vector<wchar_t> buffer(kHeaderBufferSize);
        DWORD size = kHeaderBufferSize * sizeof(wchar_t);
        BOOL ok = HttpQueryInfoW(FRequest.Get(), HTTP_QUERY_RAW_HEADERS_CRLF, buffer.data(), &size, nullptr);
        CheckResult(ok != FALSE);
        FResponseHeaders.Clear();
        if (FLastError == 0)
            FResponseHeaders.SetText(
                rtl::WideToUtf8(buffer.data(), std::min<DWORD>(size / sizeof(wchar_t), kHeaderBufferSize)));
    }).PassOn(FRaiseExceptions);
}

void TAdvHttp::ReadBody(unsigned long long generation)
{
    TRequestRecord* record;
    {
        std::lock_guard<std::mutex> lock(FLock);
        record = FRecord;
    }
    FBody.clear();
    FBodyTooLarge = false;
    FReadFailed = false;
    // A declared length over the limit fails before anything is read.
    DWORD readSize = kSmallRead;
    if (FRequest) {
        wchar_t length[32];
        DWORD size = sizeof length - sizeof(wchar_t);
        if (HttpQueryInfoW(FRequest.Get(), HTTP_QUERY_CONTENT_LENGTH, length, &size, nullptr)) {
            length[std::min<DWORD>(size / sizeof(wchar_t), 31)] = L'\0';
            const unsigned long long declared = std::wcstoull(length, nullptr, 10);
            FBodyTooLarge = FMaxBodySize > 0 && declared > FMaxBodySize;
            if (declared >= kLargeBody)
                readSize = kLargeRead;
        }
    }
    TStepEnd read = Guard([&] {
        // A handler on this thread (synchronous mode) may have started another request, which
        // owns the handles and the record now: the generation is tested before either is touched.
        while (!FBodyTooLarge && generation == FGeneration && FRequest && !FAbortRequested && record) {
            {
                std::lock_guard<std::mutex> lock(FLock);
                record->Read = INTERNET_BUFFERSA{};
                record->Read.dwStructSize = sizeof record->Read;
                if (record->ChunkSize < readSize) {
                    record->Chunk.reset(new char[readSize]);
                    record->ChunkSize = readSize;
                }
                record->Read.lpvBuffer = record->Chunk.get();
                record->Read.dwBufferLength = readSize;
                record->ReadFinished = false;
                record->ReadError = 0;
                if (FSessionAsync)
                    FPending = pdRead;
            }
            BOOL ok = InternetReadFileExA(FRequest.Get(), &record->Read, FSessionAsync ? IRF_ASYNC : 0, 0);
            DWORD error = ok ? 0 : (GetLastError() ? GetLastError() : ERROR_INTERNET_INTERNAL_ERROR);
            DWORD count = 0;
            {
                std::lock_guard<std::mutex> lock(FLock);
                if (ok || error != ERROR_IO_PENDING) {
                    // Finished here; a completion that came first changes nothing.
                    if (FPending == pdRead)
                        FPending = pdNone;
                    count = ok ? record->Read.dwBufferLength : 0;
                }
            }
            if (error == ERROR_IO_PENDING) {
                RecordError(kErrorIoPending);
                // Only this read's completion, Abort or destruction ends the wait; a wake left
                // by an Abort that found the request between reads does not. A completion that
                // came before the call returned has left its wake behind.
                bool finished = false;
                for (;;) {
                    WaitForSingleObject(FWake.Get(), INFINITE);
                    std::lock_guard<std::mutex> lock(FLock);
                    if (FAbortRequested || generation != FGeneration)
                        break;
                    if (record->ReadFinished) {
                        finished = true;
                        error = record->ReadError;
                        count = error ? 0 : record->Read.dwBufferLength;
                        break;
                    }
                }
                if (!finished)
                    break;
            }
            if (error) {
                // A failed read is the request's failure, never the end of its body.
                FReadFailed = true;
                SetLastError(error);
                CheckResult(false);
                break;
            }
            RecordError(0);
            if (count == 0)
                break;
            if (FMaxBodySize > 0 && FBody.size() + count > FMaxBodySize) {
                FBodyTooLarge = true;
                break;
            }
            FChunkPosition = static_cast<int>(FBody.size());
            FBody.append(record->Chunk.get(), std::min(count, record->ChunkSize));
            FChunkSize = static_cast<int>(count);
            FBytesRead += static_cast<int>(count);
            FireEvent(&TAdvHttp::OnDataAvailable);
        }
    });
    read.PassOn(false);
    std::exception_ptr failure = FRaiseExceptions ? read.Failure : nullptr;
    if (generation != FGeneration)
        return;
    if (FBodyTooLarge)
        std::string().swap(FBody);
    // The chunk buffer belongs to the request record, which lives until WinInet has finished
    // with the handle, so a read still pending after the close writes into live memory.
    CloseRequestOf(generation);
    if (FBodyTooLarge) {
        TStepEnd refused = Guard([&] {
            SetLastError(kErrorBodyTooLarge);
            CheckResult(false);
        });
        refused.PassOn(false);
        if (FRaiseExceptions && refused.Failure)
            failure = refused.Failure;
    }
    if (failure)
        std::rethrow_exception(failure);
}

void TAdvHttp::Abort()
{
    TDetached detached;
    bool wake;
    {
        // One decision under one lock: a bound worker is woken and closes the request itself;
        // otherwise the handles are taken out here, so that a completion arriving meanwhile finds
        // nothing left to start.
        std::lock_guard<std::mutex> lock(FLock);
        FAbortRequested = true;
        wake = FWorkerTicket != 0;
        if (!wake)
            DetachLocked(detached);
    }
    if (wake)
        ReleaseSemaphore(FWake.Get(), 1, nullptr);
    detached.Close();
}
