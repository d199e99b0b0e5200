# Imported targets for the system libraries the Linux platform layer uses.
# Only src/platform/linux links these; everything else sees the platform interfaces.

pkg_check_modules(PLIST REQUIRED IMPORTED_TARGET libplist-2.0)
pkg_check_modules(PULSE REQUIRED IMPORTED_TARGET libpulse)
pkg_check_modules(SAMPLERATE REQUIRED IMPORTED_TARGET samplerate)
pkg_check_modules(SOUNDTOUCH REQUIRED IMPORTED_TARGET soundtouch)
pkg_check_modules(ICU REQUIRED IMPORTED_TARGET icu-uc icu-i18n)
pkg_check_modules(X11LIBS REQUIRED IMPORTED_TARGET x11 xcb xi xtst xfixes)
pkg_check_modules(GOBJECT REQUIRED IMPORTED_TARGET gobject-2.0 glib-2.0 gio-2.0)
pkg_check_modules(ATSPI REQUIRED IMPORTED_TARGET atspi-2)
pkg_check_modules(SODIUM REQUIRED IMPORTED_TARGET libsodium)

# pocketsphinx.pc names an include folder that does not exist; build the target by hand.
pkg_check_modules(POCKETSPHINX_PC REQUIRED pocketsphinx sphinxbase)
set(_ps_includes "")
foreach(dir IN LISTS POCKETSPHINX_PC_INCLUDE_DIRS)
  if(EXISTS "${dir}")
    list(APPEND _ps_includes "${dir}")
  endif()
endforeach()
add_library(quendle_pocketsphinx INTERFACE)
target_include_directories(quendle_pocketsphinx SYSTEM INTERFACE ${_ps_includes})
target_link_libraries(quendle_pocketsphinx INTERFACE ${POCKETSPHINX_PC_LINK_LIBRARIES})
pkg_get_variable(POCKETSPHINX_MODELDIR pocketsphinx modeldir)
if(NOT POCKETSPHINX_MODELDIR)
  set(POCKETSPHINX_MODELDIR /usr/share/pocketsphinx/model)
endif()
