// A stand-in for the programs the service deals with, chosen by the name it is
// started under: "ErrorReport.exe" notes its argument in "reported.txt" beside
// itself and ends; the monitor notes how it was started in
// "monitor-starts.txt" beside itself and waits to be killed; any other name
// (a mail program, the desktop shell) just waits to be killed.
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <string>
#include <thread>

namespace {

std::string Folder(const std::string& path) {
    size_t k = path.find_last_of('/');
    return k == std::string::npos ? std::string(".") : path.substr(0, k);
}

std::string Name(const std::string& path) {
    size_t k = path.find_last_of('/');
    return k == std::string::npos ? path : path.substr(k + 1);
}

std::string Env(const char* name) {
    const char* v = std::getenv(name);
    return v ? v : "-";
}

[[noreturn]] void WaitForever() {
    for (;;) std::this_thread::sleep_for(std::chrono::hours(1));
}

}  // namespace

int main(int argc, char** argv) {
    std::string self = argc > 0 ? argv[0] : "";
    std::string name = Name(self);
    if (name == "ErrorReport.exe") {
        std::ofstream(Folder(self) + "/reported.txt", std::ios::app)
            << (argc > 1 ? argv[1] : "") << "\n";
        return 0;
    }
    if (name.rfind("QuillnetM-PluginMonitor", 0) == 0) {
        std::ofstream(Folder(self) + "/monitor-starts.txt", std::ios::app)
            << "args=" << argc - 1 << " home=" << Env("HOME") << " user=" << Env("USER")
            << " service_only=" << Env("QN_SERVICE_ONLY") << "\n";
    }
    WaitForever();
}
