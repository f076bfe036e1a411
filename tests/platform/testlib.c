/* A tiny library for the loader's tests. */
int probeAnswer(void) { return 42; }
