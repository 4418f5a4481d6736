# Runs at install time: writes the menu entry with Exec naming the installed program.
set(program "${CMAKE_INSTALL_PREFIX}/${HV_BINDIR}/HV-TEST-PROCESS-V1")
if(program MATCHES "[^A-Za-z0-9/._+-]")
  # A desktop entry quotes such a path. Inside the quotes ", `, $ and \ take a backslash, and
  # the file's string escaping doubles every backslash; % is always doubled.
  string(REPLACE "\\" "\\\\\\\\" program "${program}")
  foreach(special "\"" "`" "$")
    string(REPLACE "${special}" "\\\\${special}" program "${program}")
  endforeach()
  string(REPLACE "%" "%%" program "${program}")
  set(program "\"${program}\"")
endif()
set(HV_EXEC "${program}")
configure_file("${HV_DESKTOP_TEMPLATE}" "${HV_DESKTOP_FILE}" @ONLY)
file(INSTALL DESTINATION "${CMAKE_INSTALL_PREFIX}/${HV_APPLICATIONS_DIR}" TYPE FILE
     FILES "${HV_DESKTOP_FILE}")
