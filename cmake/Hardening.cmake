# SPDX-License-Identifier: GPL-3.0-or-later
# Hardening for optimised builds that are not instrumented by sanitizers.
if(NOT VKO_SANITIZE AND NOT VKO_FUZZ AND NOT CMAKE_BUILD_TYPE STREQUAL "Debug")
  add_compile_definitions(_FORTIFY_SOURCE=2)
  add_compile_options(-fstack-protector-strong -fstack-clash-protection)
  add_link_options(-Wl,-z,relro -Wl,-z,now)
  set(CMAKE_POSITION_INDEPENDENT_CODE ON)
endif()
