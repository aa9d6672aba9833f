/* The smallest program the samples are built from. */
int main(void) { return 0; }
