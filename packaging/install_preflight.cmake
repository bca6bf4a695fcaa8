# Runs at the start of `cmake --install`: every folder the install writes into must be creatable and
# writable before the first file is copied, so a prefix that cannot take the install (a file where a
# folder belongs, a read-only mount, no permission) ends it with a clear message and nothing written.
# Expects ORRIVAN_INSTALL_DESTINATIONS (folders relative to the prefix, or absolute).
# Leaves in ORRIVAN_CREATED_FOLDERS the folders the install is going to create.
set(prefix "$ENV{DESTDIR}${CMAKE_INSTALL_PREFIX}")
set(ORRIVAN_CREATED_FOLDERS)
foreach(dest IN LISTS ORRIVAN_INSTALL_DESTINATIONS)
  if(IS_ABSOLUTE "${dest}")
    set(dir "$ENV{DESTDIR}${dest}")
  else()
    set(dir "${prefix}/${dest}")
  endif()
  # The deepest part of the folder that exists already is where the install starts writing.
  set(probe "${dir}")
  while(NOT EXISTS "${probe}" AND NOT IS_SYMLINK "${probe}")
    get_filename_component(parent "${probe}" DIRECTORY)
    if(parent STREQUAL probe)
      break()
    endif()
    list(APPEND ORRIVAN_CREATED_FOLDERS "${probe}")
    set(probe "${parent}")
  endwhile()
  if(NOT IS_DIRECTORY "${probe}")
    message(FATAL_ERROR "Orrivan cannot be installed into ${prefix}: ${probe} is not a folder "
                        "(a file or a broken link is in the way). Nothing was installed.")
  endif()
  # access(2): also false as root on a read-only file system.
  execute_process(COMMAND test -w "${probe}" -a -x "${probe}" RESULT_VARIABLE denied)
  if(denied)
    message(FATAL_ERROR "Orrivan cannot be installed into ${prefix}: ${probe} cannot be written "
                        "(read-only file system or no permission). Nothing was installed.")
  endif()
endforeach()
list(REMOVE_DUPLICATES ORRIVAN_CREATED_FOLDERS)
