# Run by CPack on the staged package before packing it: the install rules set the
# files' modes, but folders made on the way get what the builder's umask leaves
# (0775 under 002, 0700 under 077), where a package's folders are 0755.
file(CHMOD_RECURSE "${CPACK_TEMPORARY_DIRECTORY}" DIRECTORY_PERMISSIONS
     OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
