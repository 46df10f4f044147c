// Starting a program that runs on its own: nothing waits for it, and it never stays behind as a
// zombie of the starting process.
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace kovrin::process {

// Starts argv[0] (searched on PATH when it holds no "/") with the arguments argv, the environment
// of this process plus (or replaced by) `environment`, a session of its own, and no inherited file
// descriptors beyond 0, 1 and 2. Answers 0 when the program has started, else the errno of the
// failure (ENOENT when it does not exist, EACCES when it may not be run). Safe in a program with
// threads, and it never reaps or disturbs the caller's own children.
int startDetached(const std::vector<std::string>& argv,
                  const std::vector<std::pair<std::string, std::string>>& environment = {});

}  // namespace kovrin::process
