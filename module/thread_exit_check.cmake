# Fails the module's build when anything linked into it registers a
# destructor for thread exit (__cxa_thread_atexit, what a thread_local with a
# destructor compiles to). In this module such a destructor runs inside the
# thread-exit callbacks, after the runtime has freed the thread's storage,
# and the module reference it holds can unload the module from inside its
# own thread-exit callback, under the loader lock.
#
# Reads the linker's map: the archive member that defines the symbol is
# listed there only when an object referenced it, with that object's name.
#
#   cmake -DMAP=<linker map> -P thread_exit_check.cmake
if(NOT EXISTS "${MAP}")
  message(FATAL_ERROR "no linker map at ${MAP}")
endif()
file(STRINGS "${MAP}" mentions REGEX "__cxa_thread_atexit")
if(mentions)
  # The lines that name the referencing object, else every mention.
  set(shown ${mentions})
  list(FILTER shown INCLUDE REGEX "\\(_*_cxa_thread_atexit\\)")
  if(NOT shown)
    set(shown ${mentions})
  endif()
  list(TRANSFORM shown STRIP)
  list(JOIN shown "\n  " shown)
  message(FATAL_ERROR
    "the module registers destructors for thread exit (a thread_local with a destructor), "
    "referenced by:\n  ${shown}")
endif()
