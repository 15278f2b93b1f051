#pragma once
// Whether the test program is built with AddressSanitizer (GCC and clang
// name it differently), for the few tests that size their work down there
// or skip a figure the sanitizer distorts (its quarantine keeps freed
// memory, so the peak memory is not the program's).

#if defined(__SANITIZE_ADDRESS__)
inline constexpr bool kSanitizerBuild = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
inline constexpr bool kSanitizerBuild = true;
#else
inline constexpr bool kSanitizerBuild = false;
#endif
#else
inline constexpr bool kSanitizerBuild = false;
#endif
