#pragma once
// Export macro of the framework library: the library builds with KOVA_BUILD defined.
#ifdef KOVA_BUILD
#define KOVA_API __declspec(dllexport)
#else
#define KOVA_API __declspec(dllimport)
#endif
