#include "manager_startup.h"

int main(int argc, char** argv)
{
    return manager::run_manager(argc, argv);
}
