#include "main.h"

int main(int argc, char** argv) { return sylvo_main(argc, argv); }
