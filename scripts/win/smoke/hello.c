#include <stdio.h>
#include <stdlib.h>

int main(int argc, char **argv)
{
    printf("hello from %d-bit windows\n", (int)(sizeof(void *) * 8));
    /* "hello.exe N" exits with N, to check that exit codes come through wine. */
    return argc > 1 ? atoi(argv[1]) : 0;
}
