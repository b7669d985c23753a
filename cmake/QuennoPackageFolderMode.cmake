# Run by CPack before it builds the package and again after (when CPACK_PACKAGE_FILES names
# what it made): the application folder goes into the package as r-x for everybody, and is
# writable again in the staging folder afterwards so that the next run can clear it.
set(folder "${CPACK_TEMPORARY_DIRECTORY}${CPACK_QUENNO_APP_DIR}")
if(NOT IS_DIRECTORY "${folder}")
    message(FATAL_ERROR "no application folder staged at ${folder}")
endif()
if(CPACK_PACKAGE_FILES)
    file(CHMOD "${folder}" DIRECTORY_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE
         GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
else()
    file(CHMOD "${folder}" DIRECTORY_PERMISSIONS OWNER_READ OWNER_EXECUTE GROUP_READ GROUP_EXECUTE
         WORLD_READ WORLD_EXECUTE)
endif()
