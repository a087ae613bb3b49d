# Installing lis06c on the store's PC: the program, its manual page, the menu
# entry, the configuration and the systemd units (installed, never enabled).
# scripts/package.sh makes the Debian package of it with CPack.
set(LIS06C_PACKAGING ${PROJECT_SOURCE_DIR}/packaging)
set(LIS06C_PACKAGING_OUT ${PROJECT_BINARY_DIR}/packaging)

# `cpack` installs what is already built instead of building every test first.
set(CMAKE_SKIP_INSTALL_ALL_DEPENDENCY ON)

install(TARGETS lis06c RUNTIME DESTINATION bin)

# The manual page carries the version and the date it was built; gzip -n leaves
# the file name and time out. configure_file reruns cmake, and so gzip, on every edit.
string(TIMESTAMP LIS06C_MAN_DATE "%Y-%m-%d" UTC)
configure_file(${LIS06C_PACKAGING}/lis06c.1.in ${LIS06C_PACKAGING_OUT}/lis06c.1 @ONLY)
execute_process(COMMAND gzip -9nkf ${LIS06C_PACKAGING_OUT}/lis06c.1 COMMAND_ERROR_IS_FATAL ANY)
install(FILES ${LIS06C_PACKAGING_OUT}/lis06c.1.gz DESTINATION share/man/man1)

install(FILES ${LIS06C_PACKAGING}/lis06c.desktop DESTINATION share/applications)
install(FILES ${LIS06C_PACKAGING}/lis06c.conf DESTINATION share/doc/lis06c/examples)
# The service reads /etc/lis06c.conf, so it ships as a conffile: dpkg keeps
# the technician's edits across upgrades and asks before replacing them.
install(FILES ${LIS06C_PACKAGING}/lis06c.conf DESTINATION /etc)
install(FILES ${LIS06C_PACKAGING}/lis06c.service ${LIS06C_PACKAGING}/lis06c.timer ${LIS06C_PACKAGING}/lis06c.path
        DESTINATION /lib/systemd/system)
file(WRITE ${LIS06C_PACKAGING_OUT}/conffiles "/etc/lis06c.conf\n")

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME lis06c)
set(CPACK_PACKAGE_CONTACT "lis06c <lis06c@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "carica il file della catena negli archivi del negozio")
# The lines that follow the summary in `dpkg -s lis06c`.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "Porta il file periodico della catena (nelv/acq_var.txt) nell'archivio della
catena e in quello del negozio (SQLite): articoli, bolle e fatture, promozioni.
Unità systemd incluse ma non attivate: lis06c.timer, lis06c.path.")
set(CPACK_DEBIAN_PACKAGE_SECTION misc)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${LIS06C_PACKAGING_OUT}/conffiles)

# What the program loads at run time rather than links: the SQLite driver,
# the report's fonts and Qt's Italian texts.
set(LIS06C_DEPENDS libqt6sql6-sqlite fonts-liberation qt6-translations-l10n)
find_program(LIS06C_DPKG_SHLIBDEPS dpkg-shlibdeps)
if(LIS06C_DPKG_SHLIBDEPS)
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)  # the Qt libraries, with their versions
else()
  list(PREPEND LIS06C_DEPENDS libqt6core6 libqt6gui6 libqt6widgets6 libqt6sql6 libqt6printsupport6 libssl3)
endif()
list(JOIN LIS06C_DEPENDS ", " CPACK_DEBIAN_PACKAGE_DEPENDS)

find_program(LIS06C_DPKG dpkg)
if(LIS06C_DPKG)
  execute_process(COMMAND ${LIS06C_DPKG} --print-architecture OUTPUT_VARIABLE LIS06C_ARCH
                  OUTPUT_STRIP_TRAILING_WHITESPACE)
  set(CPACK_DEBIAN_PACKAGE_ARCHITECTURE ${LIS06C_ARCH})
  set(CPACK_DEBIAN_FILE_NAME lis06c_${PROJECT_VERSION}_${LIS06C_ARCH}.deb)
endif()
include(CPack)
