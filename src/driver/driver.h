// The program driver: the whole run from argv to exit code, and the usage screen.
#pragma once

// argc/argv as main received them: the usage screen, the run, the exit code.
int program_main(int argc, char *argv[]);

// Prints the usage screen with the program's name taken from path.
void show_usage(const char *path);
