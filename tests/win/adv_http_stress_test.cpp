// Thousands of requests of one component against the loopback server, aborted or replaced at
// random moments: before the send completes, while it reads, inside its handlers, during an
// authentication re-send and just after a completion. Every event must belong to the request
// under way, every request left alone must complete whole, nothing may hang, and threads and
// handles must not grow. QV_HTTP_STRESS_CYCLES sets the size (bench/http_stress.sh runs a large
// one), QV_HTTP_STRESS_SEED repeats a run.
#include <winsock2.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "gui/forms.h"
#include "http_test_support.h"
#include "net/adv_http.h"

namespace {

enum TScenario { scPlain, scAbortAtOnce, scAbortAfter, scAbortInData, scAbortInAuth, scReplace, scCount };
const char* const kScenarioNames[scCount] = {"plain",         "abort at once", "abort after",
                                             "abort in data", "abort in auth", "replaced"};

constexpr int kPiece = 16384;

struct TCycle {
    TScenario Scenario = scPlain;
    int Pieces = 0;
    int AbortAt = 0; // the chunk or authentication demand whose handler aborts
    int Completes = 0, Errors = 0, Data = 0, NeedAuth = 0, Sent = 0;
};

int EnvInt(const char* name, int fallback)
{
    const char* v = std::getenv(name);
    return v && *v ? std::atoi(v) : fallback;
}

// A body of request n: its number, fixed width, over and over; every piece starts the pattern anew.
std::string IdText(int n)
{
    char s[16];
    std::snprintf(s, sizeof s, "%07d-", n);
    return s;
}

// Whether text, found at offset in a body, belongs to request n.
bool IsBodyOf(int n, const std::string& text, std::size_t offset)
{
    std::string id = IdText(n);
    for (std::size_t i = 0; i < text.size(); ++i)
        if (text[i] != id[(offset + i) % id.size()])
            return false;
    return true;
}

class AdvHttpStress : public ::testing::Test {
protected:
    void SetUp() override
    {
        App.Initialize();
        Form = new TForm(nullptr);
        ASSERT_NE(Servers().Http, 0) << "the loopback test servers are not running";
    }
    void TearDown() override { Free(Form); }

    TApplication App;
    TForm* Form = nullptr;
    TAdvHttp* H = nullptr;
    std::map<int, TCycle> Cycles;
    int Current = 0, Previous = 0;
    bool InExecute = false;
    std::vector<std::string> Faults;

    void Fault(int n, const std::string& what)
    {
        if (Faults.size() < 20)
            Faults.push_back("request " + std::to_string(n) + " (" + kScenarioNames[Cycles[n].Scenario] +
                             "): " + what);
    }
    // An event without content is the current request's, or, while Execute lets go of the one
    // before, that one's.
    int Owner() const { return InExecute ? Previous : Current; }
    // An event with content names its request, one without (an empty body) is taken as Owner's.
    int OwnerOf(const std::string& text, std::size_t offset = 0)
    {
        for (int n : {Owner(), Current})
            if (n > 0 && IsBodyOf(n, text, offset))
                return n;
        Fault(Current, "an event of another request (\"" + text.substr(0, 16) + "\")");
        return 0;
    }

    void Attach()
    {
        H->OnDataAvailable = [this](TObject*) {
            int n = OwnerOf(H->Text().substr(H->ChunkPosition(), H->ChunkSize()), H->ChunkPosition());
            if (!n)
                return;
            TCycle& c = Cycles[n];
            if (++c.Data == c.AbortAt && c.Scenario == scAbortInData)
                H->Abort();
        };
        H->OnRequestComplete = [this](TObject*) {
            int n = OwnerOf(H->Text());
            if (!n)
                return;
            TCycle& c = Cycles[n];
            if (++c.Completes > 1)
                Fault(n, "a second completion, " + std::to_string(H->Text().size()) + " bytes, LastError " +
                             std::to_string(H->LastError()) + (InExecute ? ", in Execute" : ""));
            if (c.Scenario == scPlain && H->Text().size() != static_cast<std::size_t>(c.Pieces) * kPiece)
                Fault(n, "completed with " + std::to_string(H->Text().size()) + " bytes, status " +
                             std::to_string(H->StatusCode()) + ", LastError " + std::to_string(H->LastError()) +
                             ", read " + std::to_string(H->BytesRead()) + (InExecute ? ", in Execute" : ""));
        };
        H->OnError = [this](TObject*) {
            TCycle& c = Cycles[Owner()];
            ++c.Errors;
            if (c.Scenario == scPlain)
                Fault(Owner(), "OnError " + std::to_string(H->LastError()));
        };
        H->OnNeedAuth = [this](TObject*) {
            TCycle& c = Cycles[Owner()];
            if (c.Scenario != scAbortInAuth)
                Fault(Owner(), "an authentication demand");
            if (++c.NeedAuth == c.AbortAt)
                H->Abort();
        };
        H->OnRequestSent = [this](TObject*) { ++Cycles[Owner()].Sent; };
    }

    void RunCycle(int n, std::mt19937& rng)
    {
        auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
        TCycle& c = Cycles[n];
        c.Scenario = static_cast<TScenario>(pick(0, scCount - 1));
        c.Pieces = pick(1, 4);
        if (c.Scenario == scAbortInAuth) {
            // The fourth demand is the give-up, after which nothing is aborted any more; 0 aborts
            // from here at a random moment, mostly during a re-send.
            c.AbortAt = pick(0, 5);
            H->SetURL(Url("auth", "realm=stress"));
        } else {
            c.AbortAt = pick(1, c.Pieces);
            H->SetURL(Url("slow", "chunks=" + std::to_string(c.Pieces) + "&size=" + std::to_string(kPiece) +
                                      "&delay=" + (pick(0, 1) ? "0" : "0.005") + "&text=" + IdText(n)));
        }
        Previous = Current;
        Current = n;
        InExecute = true;
        bool started = H->Execute(false);
        InExecute = false;
        if (!started)
            Fault(n, "Execute failed");
        switch (c.Scenario) {
        case scPlain:
            if (!PumpUntil([&] { return c.Completes > 0; }, 10000))
                Fault(n, "no completion");
            if (c.Sent != 1)
                Fault(n, std::to_string(c.Sent) + " OnRequestSent");
            return;
        case scAbortAtOnce:
            H->Abort();
            break;
        case scAbortInAuth:
            if (c.AbortAt != 0)
                break;
            [[fallthrough]];
        case scAbortAfter: {
            DWORD until = GetTickCount() + static_cast<DWORD>(pick(0, 15));
            PumpUntil([&] { return GetTickCount() >= until; }, 100);
            H->Abort();
            break;
        }
        case scReplace:
            // The next Execute aborts it at whatever point it has reached.
            PumpFor(static_cast<DWORD>(pick(0, 8)));
            return;
        default:
            break;
        }
        if (pick(0, 1) && !PumpUntil([&] { return !H->Busy() || c.Errors > 0; }, 10000))
            Fault(n, "still busy after Abort");
    }

    // Counts are compared when WinInet's pool threads have retired again (each holds handles).
    void Settle(int quietThreads)
    {
        if (H->Busy())
            H->Abort();
        PumpUntil(
            [&] { return !H->Busy() && TAdvHttp::LiveRequestRecords() == 0 && ThreadCount() <= quietThreads; },
            30000);
        PumpFor(300);
    }
};

TEST_F(AdvHttpStress, ExecuteAndAbortAtRandomMomentsKeepEveryEventWithItsRequest)
{
    const int cycles = EnvInt("QV_HTTP_STRESS_CYCLES", 600);
    const unsigned seed = static_cast<unsigned>(EnvInt("QV_HTTP_STRESS_SEED", static_cast<int>(GetTickCount())));
    std::printf("cycles %d, seed %u\n", cycles, seed);
    std::mt19937 rng(seed);
    H = new TAdvHttp(Form);
    H->SetDefaultUi(false);
    Attach();

    // A hang ends the run with its request named instead of running into CTest's time-out.
    std::atomic<int> progress{0};
    std::atomic<bool> done{false};
    std::thread watchdog([&] {
        int last = -1;
        for (int quiet = 0; !done; Sleep(100)) {
            quiet = progress == last ? quiet + 1 : 0;
            last = progress;
            if (quiet == 300) {
                std::printf("HANG at request %d (%s)\n", last, kScenarioNames[Cycles[last].Scenario]);
                std::fflush(stdout);
                TerminateProcess(GetCurrentProcess(), 3);
            }
        }
    });
    auto run = [&](int from, int to) {
        for (int n = from; n < to; ++n) {
            progress = n;
            RunCycle(n, rng);
        }
    };
    WSADATA wsa;
    WSAStartup(MAKEWORD(2, 2), &wsa);
    SOCKET probe = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    // Sockets are left out of the handle counts: Wine keeps the connections of aborted reads in its
    // pool for about a minute.
    auto handles = [&] { return HandleCount(reinterpret_cast<HANDLE>(probe)); };

    const int quiet = ThreadCount() + 2;
    auto start = std::chrono::steady_clock::now();
    run(1, 31);
    Settle(quiet);
    int handles0 = handles(), threads0 = ThreadCount();
    run(31, cycles / 2);
    Settle(quiet);
    int handles1 = handles(), threads1 = ThreadCount();
    run(cycles / 2, cycles + 1);
    Settle(quiet);
    int handles2 = handles(), threads2 = ThreadCount();
    double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    done = true;
    watchdog.join();
    closesocket(probe);

    int perScenario[scCount] = {}, completes = 0, errors = 0;
    for (const auto& c : Cycles) {
        ++perScenario[c.second.Scenario];
        completes += c.second.Completes;
        errors += c.second.Errors;
    }
    std::printf("%d requests in %.1f s (%.1f ms each): ", cycles, seconds, 1000.0 * seconds / cycles);
    for (int s = 0; s < scCount; ++s)
        std::printf("%s %d%s", kScenarioNames[s], perScenario[s], s + 1 < scCount ? ", " : "\n");
    std::printf("completions %d, errors %d; handles %d -> %d -> %d, threads %d -> %d -> %d, records alive %d\n",
                completes, errors, handles0, handles1, handles2, threads0, threads1, threads2,
                TAdvHttp::LiveRequestRecords());
    for (const std::string& f : Faults)
        ADD_FAILURE() << f;
    EXPECT_LE(handles2, handles1 + 5);
    EXPECT_LE(threads2, quiet);
    EXPECT_EQ(TAdvHttp::LiveRequestRecords(), 0);
    Free(H);
}

} // namespace
