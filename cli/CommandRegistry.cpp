#include "CommandRegistry.h"

namespace nimbrel::cli {

std::vector<AddCommand>& CommandRegistry() {
    static std::vector<AddCommand> commands;
    return commands;
}

}  // namespace nimbrel::cli
