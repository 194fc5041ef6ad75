# SPDX-License-Identifier: GPL-3.0-or-later
# fish completion of vkx: its commands, each command's options, boxes (*.vkx) where a box is
# read, folders where a folder is wanted. Every option vkx prints in --help is offered here
# (scripts/check-options.sh checks it).

complete -c vkx -f

# Folders to go into, and boxes.
function __vkx_boxes
    for path in (commandline -ct)*
        if test -d $path
            echo $path/
        else if string match -q -- '*.vkx' $path
            echo $path
        end
    end
end
complete -c vkx -n __fish_use_subcommand -l help -d 'Show the help and exit'
complete -c vkx -n __fish_use_subcommand -l version -d 'Show the version and exit'
complete -c vkx -n __fish_use_subcommand -a create -d 'Pack a folder into a box'
complete -c vkx -n __fish_use_subcommand -a list -d 'Show the name, format, seal and files of a box'
complete -c vkx -n __fish_use_subcommand -a extract -d 'Unpack a whole box, or chosen entries'
complete -c vkx -n __fish_use_subcommand -a verify -d 'Check every tag of a box, writing nothing'
complete -c vkx -n __fish_use_subcommand -a mount -d 'Open a box as a read-only folder'

set -l commands 'create list extract verify mount'
complete -c vkx -n "__fish_seen_subcommand_from $commands" -s h -l help -d 'Show the help and exit'
complete -c vkx -n "__fish_seen_subcommand_from $commands" -l password-file -r -F \
    -d 'Read the password from the first line of a file'
complete -c vkx -n '__fish_seen_subcommand_from create extract verify' -l threads -x -d 'Worker threads'
complete -c vkx -n '__fish_seen_subcommand_from create extract verify' -s q -l quiet \
    -d 'Show no progress and no summary'

complete -c vkx -n '__fish_seen_subcommand_from create' -a '(__fish_complete_directories)'
complete -c vkx -n '__fish_seen_subcommand_from create' -s o -l output -r -a '(__vkx_boxes)' \
    -d 'Box file'
complete -c vkx -n '__fish_seen_subcommand_from create' -s n -l name -x -d 'Box name'
complete -c vkx -n '__fish_seen_subcommand_from create' -s z -l compress -d 'Compress every file'
complete -c vkx -n '__fish_seen_subcommand_from create' -l hidden -d 'Box hidden files and folders too'

complete -c vkx -n '__fish_seen_subcommand_from list extract verify' -a '(__vkx_boxes)'
complete -c vkx -n '__fish_seen_subcommand_from list' -l json -d 'Print one JSON object'
complete -c vkx -n '__fish_seen_subcommand_from extract' -s C -l directory -x \
    -a '(__fish_complete_directories)' -d 'Folder to extract into'
complete -c vkx -n '__fish_seen_subcommand_from extract' -l keep-existing \
    -d 'Keep files already there and name them'
complete -c vkx -n '__fish_seen_subcommand_from extract' -l overwrite -d 'Replace files already there'
complete -c vkx -n '__fish_seen_subcommand_from extract' -l skip-existing \
    -d 'Keep files already there, quietly'
complete -c vkx -n '__fish_seen_subcommand_from extract' -l keep-damaged \
    -d 'Write files that fail their tag all the same'

complete -c vkx -n '__fish_seen_subcommand_from mount' -a '(__vkx_boxes)'
complete -c vkx -n '__fish_seen_subcommand_from mount' -l background \
    -d 'Return once the folder is there'
complete -c vkx -n '__fish_seen_subcommand_from mount' -l memory -x \
    -d 'MiB of locked memory for expanded files'
