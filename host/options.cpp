#include "host/options.h"

namespace zelmor::host {

std::string Options::Get(const std::string& name, const std::string& fallback) const {
  const auto it = named.find(name);
  return it == named.end() ? fallback : it->second;
}

bool IsSwitch(const std::string& name) {
  return name == "follow" || name == "f" || name == "show-password" || name == "help" ||
         name == "h";
}

bool ParseOptions(int argc, char** argv, Options& options, std::string& error) {
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg.size() > 1 && arg[0] == '-' && arg != "--") {
      std::string name = arg.substr(arg[1] == '-' ? 2 : 1);
      std::string value;
      const auto eq = name.find('=');
      if (eq != std::string::npos) {
        value = name.substr(eq + 1);
        name.erase(eq);
      } else if (!IsSwitch(name)) {
        if (i + 1 >= argc) {
          error = "option " + arg + " needs a value";
          return false;
        }
        value = argv[++i];
      }
      options.named[name] = value;
    } else if (options.command.empty()) {
      options.command = arg;
    } else {
      options.positional.push_back(arg);
    }
  }
  return true;
}

}  // namespace zelmor::host
