// Stands in for the client: notes in its working directory that it was started, and ends.
#include <cstdio>

int main()
{
    FILE *file = std::fopen("client-started.txt", "a");
    if (!file)
        return 1;
    std::fputs("started\n", file);
    std::fclose(file);
    return 0;
}
