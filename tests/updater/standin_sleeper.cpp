// Stands in for the process the updater ends before updating: it waits to be ended.
#include <chrono>
#include <thread>

int main()
{
    std::this_thread::sleep_for(std::chrono::seconds(60));
    return 0;
}
