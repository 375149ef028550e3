// Sends what the program prints to /dev/null while it lives, so that a run repeated a million
// times does not bury the benchmark's report. Printing still costs what it costs.
#ifndef LPTFLASH_BENCH_STDOUTSILENCER_H
#define LPTFLASH_BENCH_STDOUTSILENCER_H

class StdoutSilencer {
  public:
    StdoutSilencer();
    ~StdoutSilencer();
    StdoutSilencer(const StdoutSilencer&) = delete;
    StdoutSilencer& operator=(const StdoutSilencer&) = delete;

  private:
    int saved;
};

#endif
