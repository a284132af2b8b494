// The program's entry: set up the process, initialise the runtime, run, and exit.
int main() { return 0; }
