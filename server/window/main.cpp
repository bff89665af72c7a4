#include "server_main.h"

int main(int argc, char** argv)
{
    return server::run_kestraline_server(argc, argv);
}
