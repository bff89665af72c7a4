#include "run_handler.h"

#include "error_box.h"

namespace server {

bool run_handler(const std::function<void()>& body)
{
    return run_guarded([&] {
               body();
               return 1;
           }) == 1;
}

} // namespace server
