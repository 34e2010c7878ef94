# Sourced by packaging/install.sh and post-install.sh: owner, group and mode of the files
# in the data folder, set by root. The data folder is the service user's, so any name in
# it may be swapped for a link to any file of the machine at any moment: nothing here
# goes through a path that may be a link. Each change is made on a descriptor opened
# without following a link (perl, which every Debian system has, can do that).

# data_file_rights <path> <user>:<group> <octal mode>: for a regular file with one name,
# or a folder. A link, or anything else at the path, is left as it is and said on stderr
# (status 1).
data_file_rights() {
  perl -e '
    use strict;
    use Fcntl qw(O_RDONLY O_NOFOLLOW O_NONBLOCK);
    my ($path, $owner, $mode) = @ARGV;
    my ($user, $group) = split /:/, $owner;
    my $uid = getpwnam($user);
    my $gid = getgrnam($group);
    defined $uid && defined $gid or die "$path: no user or group $owner\n";
    sysopen(my $handle, $path, O_RDONLY | O_NOFOLLOW | O_NONBLOCK) or die "$path: left as it is: $!\n";
    my @status = stat($handle) or die "$path: $!\n";
    ((-f _ && $status[3] == 1) || -d _) or die "$path: left as it is: not a plain file or folder\n";
    chown($uid, $gid, $handle) or die "$path: $!\n";
    chmod(oct($mode), $handle) or die "$path: $!\n";
  ' "$@"
}

# data_file_new <source> <target> <octal mode>: the target made with the source's bytes,
# only where nothing at all is at that name (a link that leads nowhere included).
data_file_new() {
  perl -e '
    use strict;
    use Fcntl qw(O_WRONLY O_CREAT O_EXCL O_NOFOLLOW);
    my ($source, $target, $mode) = @ARGV;
    open(my $in, "<:raw", $source) or die "$source: $!\n";
    if (!sysopen(my $out, $target, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW, 0600)) {
      exit 0 if $!{EEXIST};
      die "$target: $!\n";
    } else {
      local $/;
      my $bytes = <$in> // "";
      binmode($out);
      print {$out} $bytes or die "$target: $!\n";
      chmod(oct($mode), $out) or die "$target: $!\n";
      close($out) or die "$target: $!\n";
    }
  ' "$@"
}

# data_file_plain <path> <source>: what stands at a data file's name and is no plain
# file (a link, a folder, a pipe) goes, and the default takes its place.
data_file_plain() {
  if [ -L "$1" ] || { [ -e "$1" ] && [ ! -f "$1" ]; }; then
    echo "$1: not a plain file; replaced by the default" >&2
    rm -rf -- "$1"
  fi
  data_file_new "$2" "$1" 0644
}
