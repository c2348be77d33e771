#include "PrintingNotifier.h"

#include <iostream>

namespace nimbrel::cli {

void PrintingNotifier::MessageBox(std::string_view text, std::string_view caption, Icon) {
    std::lock_guard guard(lock_);
    std::cerr << "[" << caption << "] " << text << std::endl;
}

void PrintingNotifier::ShowTip(std::string_view text, int) {
    std::lock_guard guard(lock_);
    std::cerr << text << std::endl;
}

}  // namespace nimbrel::cli
