// The update tool. The front-end and the main window's logic live in the core libraries.
int main() { return 0; }
