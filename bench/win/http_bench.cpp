// Downloads one URL several times with TAdvHttp in asynchronous mode, as the program does, and
// prints the best throughput. Run by bench/http_download.sh under Wine beside curl.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "gui/application.h"
#include "gui/forms.h"
#include "net/adv_http.h"

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: http_bench URL [RUNS]\n");
        return 2;
    }
    int runs = argc > 2 ? std::atoi(argv[2]) : 5;
    TApplication app;
    app.Initialize();
    TForm* form = new TForm(nullptr);
    auto* http = new TAdvHttp(form);
    http->SetDefaultUi(false);
    bool done = false, failed = false;
    http->OnRequestComplete = [&](TObject*) { done = true; };
    http->OnError = [&](TObject*) { failed = true; };
    http->SetURL(argv[1]);
    LARGE_INTEGER freq;
    QueryPerformanceFrequency(&freq);
    double best = 0;
    std::size_t bytes = 0;
    for (int i = 0; i < runs && !failed; ++i) {
        done = false;
        LARGE_INTEGER t0, t1;
        QueryPerformanceCounter(&t0);
        http->Execute(false);
        while (!done && !failed) {
            MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
            app.ProcessMessages();
        }
        QueryPerformanceCounter(&t1);
        bytes = http->Text().size();
        double seconds = double(t1.QuadPart - t0.QuadPart) / double(freq.QuadPart);
        double mbps = double(bytes) / 1048576.0 / seconds;
        std::printf("run %d: %zu bytes in %.3f s, %.1f MB/s\n", i + 1, bytes, seconds, mbps);
        if (mbps > best)
            best = mbps;
    }
    Free(form);
    if (failed) {
        std::printf("request failed\n");
        return 1;
    }
    std::printf("best: %.1f MB/s\n", best);
    return 0;
}
