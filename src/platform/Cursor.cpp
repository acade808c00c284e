#include "Cursor.h"

namespace platform {

namespace {

Pointer g_pointer = Pointer::Default;

std::function<void(Pointer)>& hook()
{
    static std::function<void(Pointer)> h;
    return h;
}

} // namespace

Pointer mousePointer() { return g_pointer; }

void setMousePointer(Pointer p)
{
    g_pointer = p;
    if (hook())
        hook()(p);
}

void setMousePointerHook(std::function<void(Pointer)> h)
{
    hook() = std::move(h);
    if (hook())
        hook()(g_pointer);
}

void resetMousePointer()
{
    setMousePointer(Pointer::Default);
    hook() = nullptr;
}

} // namespace platform
