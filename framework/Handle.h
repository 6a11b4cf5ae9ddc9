// Owning kernel handle. Both null and INVALID_HANDLE_VALUE count as empty.
#pragma once

#include <windows.h>

#include "UniqueResource.h"

struct KernelHandleTraits {
    using Handle = HANDLE;
    static bool IsValid(HANDLE h) { return h != nullptr && h != INVALID_HANDLE_VALUE; }
    static void Release(HANDLE h) { CloseHandle(h); }
};

using UniqueHandle = UniqueResource<KernelHandleTraits>;
