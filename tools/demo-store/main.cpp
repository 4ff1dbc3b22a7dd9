// demo-store: plays the store's stock endpoint on 127.0.0.1 for Lumeno's demo and tests.
#include <pthread.h>
#include <signal.h>

#include <cstdio>
#include <fstream>
#include <iostream>
#include <mutex>
#include <sstream>
#include <string>
#include <variant>
#include <vector>

#include "command_line.h"
#include "scenario.h"
#include "server.h"
#include "stock_state.h"

namespace ds = lumeno::demo_store;

namespace {

constexpr int kExitCannotServe = 1;
constexpr int kExitUsage = 2;

std::optional<ds::Scenario> LoadScenario(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    if (!in) {
        std::cerr << file.string() << ": cannot read the scenario file\n";
        return std::nullopt;
    }
    std::ostringstream text;
    text << in.rdbuf();
    auto parsed = ds::ParseScenario(text.str());
    if (auto* error = std::get_if<ds::ScenarioError>(&parsed)) {
        std::cerr << file.string() << ':' << error->line << ": " << error->message << '\n';
        return std::nullopt;
    }
    return std::get<ds::Scenario>(std::move(parsed));
}

}  // namespace

int main(int argc, char** argv) {
    const std::vector<std::string_view> args(argv + 1, argv + argc);
    const auto parsed = ds::ParseCommandLine(args);
    if (const auto* error = std::get_if<ds::CommandLineError>(&parsed)) {
        std::cerr << "demo-store: " << error->message << "\nTry 'demo-store --help'.\n";
        return kExitUsage;
    }
    const auto& options = std::get<ds::Options>(parsed);
    if (options.help) {
        std::cout << ds::HelpText();
        return 0;
    }

    std::optional<ds::StockState> stock;
    if (options.scenario) {
        auto scenario = LoadScenario(*options.scenario);
        if (!scenario) return kExitUsage;
        stock.emplace(std::move(*scenario));
    } else {
        stock.emplace(options.demo_period);
    }

    // A reader that goes away (a script that closed our stderr) must not kill the store.
    signal(SIGPIPE, SIG_IGN);

    // Block the stop signals before any thread starts, so every thread inherits the mask and
    // this thread alone takes them, in sigwait, outside any signal handler.
    sigset_t stop_signals;
    sigemptyset(&stop_signals);
    sigaddset(&stop_signals, SIGINT);
    sigaddset(&stop_signals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stop_signals, nullptr);

    std::mutex log_mutex;
    ds::ServerConfig config;
    config.port = options.port;
    config.record_file = options.record;
    if (!options.quiet) {
        config.log = [&log_mutex](const std::string& line) {
            std::lock_guard lock(log_mutex);
            std::cerr << "demo-store: " << line << std::endl;
        };
    }

    std::optional<ds::DemoStoreServer> server;
    try {
        server.emplace(*stock, std::move(config));
    } catch (const std::exception& e) {
        std::cerr << "demo-store: " << e.what() << '\n';
        return kExitCannotServe;
    }
    // Scripts read this line to find the store; it must be first and reach them now.
    std::cout << "127.0.0.1:" << server->port() << std::endl;
    if (!options.quiet) {
        std::lock_guard lock(log_mutex);
        std::cerr << "demo-store: playing "
                  << (options.scenario ? "the scenario " + options.scenario->string()
                                       : "the demo cycle, period " +
                                             std::to_string(options.demo_period.count()) + " ms")
                  << std::endl;
    }

    int signal_number = 0;
    while (sigwait(&stop_signals, &signal_number) != 0) {
    }
    if (!options.quiet) {
        std::lock_guard lock(log_mutex);
        std::cerr << "demo-store: stopping on " << (signal_number == SIGINT ? "SIGINT" : "SIGTERM")
                  << std::endl;
    }
    server.reset();  // joins every connection; the recording is already flushed per request
    return 0;
}
