#include "tray/MenuCommands.h"

#include "runtime/Exceptions.h"

#include <vector>

namespace {

// The command pool: one flag per id in use; grows as ids are taken.
std::vector<bool>& UsedCommands()
{
    static std::vector<bool> used;
    return used;
}

}

std::uint16_t AllocateMenuCommand()
{
    std::vector<bool>& used = UsedCommands();
    std::size_t id = 0;
    while (id < used.size() && used[id])
        ++id;
    if (id > 0xFFFF)
        throw EMenuError(LoadResString(TextId::OutOfSystemResources));
    if (id == used.size())
        used.push_back(true);
    else
        used[id] = true;
    return static_cast<std::uint16_t>(id);
}

void ReleaseMenuCommand(std::uint16_t command)
{
    std::vector<bool>& used = UsedCommands();
    if (command != 0 && command < used.size())
        used[command] = false;
}
