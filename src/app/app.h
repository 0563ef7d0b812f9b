#pragma once
#include <functional>

class Form;

// The whole program behind main(): builds the program-wide services, registers every
// window and opens the start window. The start-up benchmark runs exactly this.
namespace App
{
int run(int argc, char **argv);
// Called once the start window has been loaded and shown (the benchmark watches it).
void setStartObserver(std::function<void(Form *startWindow)> observer);
} // namespace App
