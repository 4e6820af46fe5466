// The tests start programs the same way the sample-card generator does; the implementation lives with
// the generator and is compiled into the test support library from there.
#include "../../tools/samplecard/ChildProcess.cpp"
