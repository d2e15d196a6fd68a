# Installation and Debian packages through CPack's DEB generator:
#   pagora       the viewer, which every book is a copy of
#   pagora-book  the authoring tool; it copies the viewer installed beside it
# each with its manual page (help2man, from --help), copyright and changelog.
# dpkg-shlibdeps finds the shared-library dependencies. scripts/package builds
# the packages from a clean tree; tests/package checks them from any build.
#
# Sets PAGORA_PACKAGING to ON when the packages can be made from this build.
set(PAGORA_PACKAGING OFF)
if(NOT TARGET pagora OR NOT TARGET pagora-book)
  return()
endif()
find_program(PAGORA_HELP2MAN help2man)
find_program(PAGORA_GZIP gzip)
if(NOT PAGORA_HELP2MAN OR NOT PAGORA_GZIP)
  message(WARNING "help2man or gzip is missing: no manual pages and no packages (scripts/install-deps installs them)")
  return()
endif()
set(PAGORA_PACKAGING ON)

include(GNUInstallDirs)
set(packaging_dir ${PROJECT_SOURCE_DIR}/packaging)
set(packaging_out ${PROJECT_BINARY_DIR}/packaging)
file(MAKE_DIRECTORY ${packaging_out})

# Manual pages, compressed as Debian wants them. gzip -n keeps them identical
# from one build to the next.
function(pagora_manual_page name help_command)
  set(page ${packaging_out}/${name}.1)
  add_custom_command(
    OUTPUT ${page}.gz
    COMMAND ${help_command} ${PAGORA_HELP2MAN} --no-info --section=1 --include=${packaging_dir}/${name}.h2m
            --output=${page} ${ARGN}
    COMMAND ${PAGORA_GZIP} -9nf ${page}
    DEPENDS ${name} ${packaging_dir}/${name}.h2m ${packaging_dir}/pagora-book-manual-help
    COMMENT "Writing the manual page ${name}(1)"
    VERBATIM)
  add_custom_target(${name}_manual_page ALL DEPENDS ${page}.gz)
endfunction()

pagora_manual_page(pagora "" $<TARGET_FILE:pagora>)
pagora_manual_page(pagora-book "${CMAKE_COMMAND};-E;env;PAGORA_BOOK_TOOL=$<TARGET_FILE:pagora-book>"
                   ${packaging_dir}/pagora-book-manual-help)

add_custom_command(
  OUTPUT ${packaging_out}/changelog.gz
  COMMAND ${PAGORA_GZIP} -9n -c ${packaging_dir}/changelog > ${packaging_out}/changelog.gz
  DEPENDS ${packaging_dir}/changelog
  COMMENT "Compressing the Debian changelog")
add_custom_target(pagora_packaged_changelog ALL DEPENDS ${packaging_out}/changelog.gz)

# pagora-book looks for the viewer beside itself, so both go to the same folder.
install(TARGETS pagora RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT viewer)
install(TARGETS pagora-book RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT authoring)
foreach(component_package IN ITEMS viewer:pagora authoring:pagora-book)
  string(REPLACE ":" ";" pair ${component_package})
  list(GET pair 0 component)
  list(GET pair 1 package)
  install(FILES ${packaging_out}/${package}.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 COMPONENT ${component})
  install(FILES ${packaging_dir}/copyright ${packaging_out}/changelog.gz
          DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/${package} COMPONENT ${component})
endforeach()

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME pagora)
set(CPACK_PACKAGE_VENDOR "the Pagora developers")
set(CPACK_PACKAGE_CONTACT "The Pagora developers <pagora@example.org>" CACHE STRING
    "The Maintainer of the Debian packages")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
# Installed programs lose their debugging symbols, as Debian's policy asks.
set(CPACK_STRIP_FILES ON)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL viewer authoring)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_COMPRESSION_TYPE xz)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_SECTION text)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)

set(CPACK_DEBIAN_VIEWER_PACKAGE_NAME pagora)
# The engine's sandbox (bubblewrap, xdg-dbus-proxy) is needed at run time but
# never linked; WebKitGTK is named too, with the oldest version the viewer may
# call into (tests/portability keeps it so), in case dpkg-shlibdeps cannot see
# the engine's library in the installed file.
set(CPACK_DEBIAN_VIEWER_PACKAGE_DEPENDS "libwebkit2gtk-4.1-0 (>= 2.40), bubblewrap, xdg-dbus-proxy")
# The installed pagora links libc alone; the viewer library it carries links
# GTK, WebKitGTK and the rest, which dpkg-shlibdeps cannot see in the program.
# CPack reads that library's needs through this file when it runs.
get_target_property(PAGORA_EMBEDDED_VIEWER pagora PAGORA_EMBEDDED_VIEWER)
configure_file(${PROJECT_SOURCE_DIR}/cmake/embedded_viewer_depends.cmake.in
               ${packaging_out}/embedded_viewer_depends.cmake @ONLY)
set(CPACK_PROJECT_CONFIG_FILE ${packaging_out}/embedded_viewer_depends.cmake)
set(CPACK_DEBIAN_VIEWER_DESCRIPTION "viewer for self-contained HTML e-books
A Pagora book is a single executable: a copy of this viewer with a folder of
HTML pages and pictures appended. Running it shows the book in a window with
the WebKitGTK engine and removes every extracted file when the window closes.
.
Books made with pagora-book run on any machine with WebKitGTK 4.1; this
package is what pagora-book copies into every book it makes.")

set(CPACK_DEBIAN_AUTHORING_PACKAGE_NAME pagora-book)
set(CPACK_DEBIAN_AUTHORING_PACKAGE_DEPENDS "pagora (= ${PROJECT_VERSION})")
set(CPACK_DEBIAN_AUTHORING_DESCRIPTION "make self-contained HTML e-books
pagora-book packs a folder of HTML pages and pictures, with a title, author
and other descriptive texts, into a Pagora book: a single executable that
shows the pages in a window. It also lists, verifies and extracts books.")

include(CPack)
