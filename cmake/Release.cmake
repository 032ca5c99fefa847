# lumarso_release_settings(<target>): manifest, hardening and reproducibility
# settings of a shipped executable.  (Filled in with the release work.)
function(lumarso_release_settings target)
endfunction()
