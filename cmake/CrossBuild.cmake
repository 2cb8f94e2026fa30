# Adjustments for a cross-build (the MinGW-w64 toolchain file).

# The header-only packages (nlohmann-json, CLI11) name the host's /usr/include, which would put
# the host's C headers before the target's: the cross-build sees only each library's own folder.
function(vexo_headers_only target header_dir)
  get_target_property(dirs ${target} INTERFACE_INCLUDE_DIRECTORIES)
  foreach(dir IN LISTS dirs)
    if(IS_DIRECTORY ${dir}/${header_dir})
      set(only ${CMAKE_BINARY_DIR}/headers-only/${header_dir})
      file(MAKE_DIRECTORY ${only})
      file(CREATE_LINK ${dir}/${header_dir} ${only}/${header_dir} SYMBOLIC)
      set_target_properties(${target} PROPERTIES INTERFACE_INCLUDE_DIRECTORIES ${only})
      return()
    endif()
  endforeach()
endfunction()

find_package(nlohmann_json REQUIRED)
vexo_headers_only(nlohmann_json::nlohmann_json nlohmann)
find_package(CLI11 CONFIG REQUIRED)
vexo_headers_only(CLI11::CLI11 CLI)
