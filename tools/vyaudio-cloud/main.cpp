// vyaudio-cloud: the reference cloud service, for tests and demonstrations.
#include "CloudService.h"

#include <CLI/CLI.hpp>

#include <atomic>
#include <chrono>
#include <csignal>
#include <iostream>
#include <pthread.h>
#include <sys/prctl.h>
#include <thread>

int main(int argc, char** argv)
{
    CLI::App app{"vyaudio-cloud: a small cloud service answering the program's API on 127.0.0.1"};
    std::string content = "data/cloud-sample";
    int port = 8765;
    bool exitWithParent = false;
    CloudServiceFaults faults;
    app.add_option("--content", content, "Content folder (sound lists, effects, files)")->check(CLI::ExistingDirectory);
    app.add_option("--port", port, "Port on 127.0.0.1; 0 picks a free one and prints it")->check(CLI::Range(0, 65535));
    app.add_option("--delay-ms", faults.delayMs, "Fault: wait this long before answering")->check(CLI::Range(0, 600000));
    app.add_option("--status", faults.status, "Fault: answer with this HTTP status")->check(CLI::Range(100, 599));
    app.add_flag("--broken-json", faults.brokenJson, "Fault: cut JSON replies short");
    app.add_option("--message", faults.message, "Fault: reply with this \"message\" instead of \"ok\"");
    app.add_option("--reply-size", faults.replySize, "Fault: pad JSON replies to exactly this many bytes")
        ->check(CLI::Range(size_t{0}, size_t{64} << 20));
    app.add_option("--trickle-ms", faults.trickleMs, "Fault: send downloads in 1 KB pieces this many ms apart")
        ->check(CLI::Range(0, 60000));
    app.add_option("--fault-only", faults.only, "Apply faults only to requests whose path or body contains this");
    app.add_option("--fault-first", faults.firstCount, "Apply faults only to the first N matching requests")
        ->check(CLI::Range(0, 1000000));
    app.add_flag("--exit-with-parent", exitWithParent, "End when the process that started this one ends");
    CLI11_PARSE(app, argc, argv);

    if (exitWithParent)
        prctl(PR_SET_PDEATHSIG, SIGTERM);

    // Termination signals are taken by a waiting thread, which stops the
    // server cleanly; nothing runs inside a signal handler.
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGINT);
    sigaddset(&signals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &signals, nullptr);

    CCloudService service(content, faults);
    int bound = service.Bind(port);
    if (bound < 0) {
        std::cerr << "vyaudio-cloud: cannot listen on 127.0.0.1:" << port << std::endl;
        return 1;
    }
    std::cout << "vyaudio-cloud: serving " << content << " at http://127.0.0.1:" << bound << "/tuning" << std::endl;

    // A stop that comes before the server is listening would be lost, so the
    // waiter waits for it to listen (or to have ended) and stops it once.
    std::atomic<bool> finished{false};
    std::thread waiter([&service, &finished, signals] {
        int received = 0;
        sigwait(&signals, &received);
        while (!finished && !service.IsListening())
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        service.Stop();
    });
    bool served = service.Serve();
    finished = true;
    // Ended without a signal (serving failed): wake the waiter.
    pthread_kill(waiter.native_handle(), SIGTERM);
    waiter.join();
    return served ? 0 : 1;
}
