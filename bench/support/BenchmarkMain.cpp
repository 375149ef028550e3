// Entry of every benchmark program: as the library's own, but a benchmark that reports an error
// fails the run, so a brief run in the test script catches one that no longer works.
#include <benchmark/benchmark.h>

#include <memory>

namespace {

class ErrorNoticingReporter : public benchmark::BenchmarkReporter {
  public:
    explicit ErrorNoticingReporter(benchmark::BenchmarkReporter* display) : display(display) {}

    bool ReportContext(const Context& context) override { return display->ReportContext(context); }

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
