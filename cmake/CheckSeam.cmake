# Outside src/platform/ nothing may reach the operating system directly: no
# SDL, GTK, FreeType, fontconfig, FluidSynth, ALSA or POSIX headers. Checked at configure time
# so a stray include fails the build at once.
file(GLOB_RECURSE seam_sources CONFIGURE_DEPENDS
  ${PROJECT_SOURCE_DIR}/src/*.h ${PROJECT_SOURCE_DIR}/src/*.cpp)
set(seam_forbidden "#[ \t]*include[ \t]*[<\"](SDL|gtk/|gdk/|glib|ft2build|freetype/|fontconfig/|unistd\\.h|fcntl\\.h|sys/|dlfcn\\.h|pthread\\.h|X11/|wayland|fluidsynth|alsa/)")
foreach(f ${seam_sources})
  if(f MATCHES "/src/platform/")
    continue()
  endif()
  file(STRINGS ${f} hits REGEX "${seam_forbidden}")
  if(hits)
    message(FATAL_ERROR "${f} reaches the operating system directly (${hits}); go through src/platform/")
  endif()
endforeach()
