// The archive command-line tool.
int main() { return 0; }
