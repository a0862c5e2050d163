# SPDX-FileCopyrightText: 2026 MorvTime Developers
# SPDX-License-Identifier: MIT
# morv_copy_sources(SOURCE_DIR COPY): the sources as git sees them (what a clone would hold, with
# any change not yet committed) copied to COPY.
function(morv_copy_sources source copy)
  execute_process(COMMAND git ls-files --cached --others --exclude-standard
                  WORKING_DIRECTORY "${source}" OUTPUT_VARIABLE files COMMAND_ERROR_IS_FATAL ANY)
  string(STRIP "${files}" files)
  string(REPLACE "\n" ";" files "${files}")
  foreach(file IN LISTS files)
    get_filename_component(folder "${copy}/${file}" DIRECTORY)
    file(COPY "${source}/${file}" DESTINATION "${folder}")
  endforeach()
endfunction()
