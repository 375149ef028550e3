// SPDX-License-Identifier: MIT
// Entry of every benchmark program: as the library's own, but a benchmark that reports an error
// fails the run, so a brief run in the test script catches one that no longer works.
#include <benchmark/benchmark.h>

#include <memory>
#include <sstream>
#include <string>

namespace {

class ErrorNoticingReporter : public benchmark::BenchmarkReporter {
  public:
    explicit ErrorNoticingReporter(benchmark::BenchmarkReporter* display) : display(display) {}

    // The system's benchmark library may itself be built without NDEBUG and then says
    // "Library was built as DEBUG", which reads as if the timed program were: it is not (the
    // bench preset builds Release), and the library's own bookkeeping is outside every timing.
    bool ReportContext(const Context& context) override {
        std::ostream& errors = display->GetErrorStream();
        std::ostringstream text;
        display->SetErrorStream(&text);
        const bool fine = display->ReportContext(context);
        display->SetErrorStream(&errors);
        std::istringstream lines(text.str());
        for (std::string line; std::getline(lines, line);) {
            if (line.find("Library was built as DEBUG") == std::string::npos) {
                errors << line << '\n';
            }
        }
        return fine;
    }

    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            failed = failed || run.error_occurred;
        }
        display->ReportRuns(runs);
    }

    void Finalize() override { display->Finalize(); }

    bool anyFailed() const { return failed; }

  private:
    std::unique_ptr<benchmark::BenchmarkReporter> display;
    bool failed = false;
};

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    ErrorNoticingReporter reporter(benchmark::CreateDefaultDisplayReporter());
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return reporter.anyFailed() ? 1 : 0;
}
