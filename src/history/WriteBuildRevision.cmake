# Run at build time (cmake -P): writes OUTPUT from INPUT with the version and the commit checked out in
# SOURCE_DIR ("unknown" outside a git checkout), leaving OUTPUT untouched when nothing changed.
execute_process(COMMAND git rev-parse --short HEAD
                WORKING_DIRECTORY ${SOURCE_DIR}
                OUTPUT_VARIABLE DORVANE_GIT_REVISION
                OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
if(NOT DORVANE_GIT_REVISION)
  set(DORVANE_GIT_REVISION "unknown")
endif()
configure_file(${INPUT} ${OUTPUT} @ONLY)
