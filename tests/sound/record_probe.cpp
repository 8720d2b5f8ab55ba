// record_probe PATH: records "Computer Audio" (the default output's monitor) into PATH
// through the program's recorder, prints "recording" once the first frames are in the
// file, and goes on until it is killed (or stops by itself after a minute). The crash
// test kills it with SIGKILL and repairs what it left.
#include <chrono>
#include <cstdio>
#include <thread>

#include "RecorderFactory.h"

int main(int argc, char** argv) {
    using namespace std::chrono_literals;
    if (argc != 2) {
        std::fprintf(stderr, "usage: record_probe PATH\n");
        return 2;
    }
    auto recorder = wavomer::makeAudioRecorder();
    const auto until = std::chrono::steady_clock::now() + 20s;
    while (!recorder->computerAudioInputDevice()) {
        if (std::chrono::steady_clock::now() > until) {
            std::fprintf(stderr, "record_probe: the server has no computer audio\n");
            return 1;
        }
        std::this_thread::sleep_for(10ms);
    }
    recorder->configAudioDevice(recorder->computerAudioInputDevice());
    recorder->start();
    recorder->setOutputPath(argv[1]);
    recorder->start();
    while (recorder->recordFileLength() <= 0.0) {
        if (std::chrono::steady_clock::now() > until) {
            std::fprintf(stderr, "record_probe: no frames reached the file\n");
            return 1;
        }
        std::this_thread::sleep_for(1ms);
    }
    std::printf("recording\n");
    std::fflush(stdout);
    std::this_thread::sleep_for(60s);
    recorder->stop();
    return 0;
}
