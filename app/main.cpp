#include "app/TestRun.h"

int main() { return runFlashTest(); }
