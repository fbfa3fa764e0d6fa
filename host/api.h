// Export/import marker for everything the host kit library offers to plug-ins.
#pragma once

#if defined(_WIN32)
#if defined(HOSTKIT_BUILDING)
#define HOSTKIT_API __declspec(dllexport)
#else
#define HOSTKIT_API __declspec(dllimport)
#endif
#else
#define HOSTKIT_API __attribute__((visibility("default")))
#endif
