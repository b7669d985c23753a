# Makes every test's home and XDG folders anew and empty (see cmake/QuennoTest.cmake).
# Run by ctest before the tests, with -DHOMES=<folder> -DTESTS=<name,name,...>.
string(REPLACE "," ";" TESTS "${TESTS}")
file(REMOVE_RECURSE "${HOMES}")
foreach(test IN LISTS TESTS)
    foreach(part home config data cache state runtime)
        file(MAKE_DIRECTORY "${HOMES}/${test}/${part}")
    endforeach()
    # The runtime folder must be the user's alone, or libraries refuse to use it.
    file(CHMOD "${HOMES}/${test}/runtime" DIRECTORY_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE)
endforeach()
