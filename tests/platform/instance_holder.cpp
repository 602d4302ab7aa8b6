// platform_instance_holder KEY: holds the single-instance guard under KEY,
// says "held" on standard output and waits until killed or stdin closes.

#include "platform/singleinstanceguard.h"

#include <cstdio>

int main(int argc, char** argv)
{
    if (argc != 2)
        return 2;
    SingleInstanceGuard guard(QString::fromLocal8Bit(argv[1]));
    if (!guard.tryAcquire())
        return 1;
    std::puts("held");
    std::fflush(stdout);
    while (std::getchar() != EOF) {
    }
    return 0;
}
