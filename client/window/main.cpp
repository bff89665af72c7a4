#include "client_main.h"

int main(int argc, char** argv)
{
    return client::run_kestraline_client(argc, argv);
}
