#!/usr/bin/perl
# Filters a program's --help for help2man, which takes one line per usage for SYNOPSIS: the
# lines that continue a usage (indented, not starting with the program's name) are joined onto
# it. Usage: PROGRAM --help | usage_one_line.pl NAME
use strict;
use warnings;

my $name = shift @ARGV;
my $usage;
while (my $line = <STDIN>) {
  chomp $line;
  if ($line =~ /^Usage: /) {
    print "$usage\n" if defined $usage;
    $usage = $line;
  } elsif (defined $usage && $line =~ /^\s+(\S.*)$/) {
    my $rest = $1;
    if ($rest =~ /^\Q$name\E(\s|$)/) {
      print "$usage\n";
      $usage = "       $rest";
    } else {
      $usage .= " $rest";
    }
  } else {
    print "$usage\n" if defined $usage;
    undef $usage;
    print "$line\n";
  }
}
print "$usage\n" if defined $usage;
