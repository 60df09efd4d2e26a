#!/usr/bin/perl
# Rewrites a UTF-8 man page as ASCII: each other character becomes groff's \[uXXXX], with a
# fallback of "?" that groff uses only where the output device has no glyph for it (man under
# LANG=C renders for ASCII). So no locale makes troff warn, and groff reads the page without
# preconv. Usage: ascii_fallbacks.pl PAGE (rewritten in place)
use strict;
use warnings;

my $page = shift @ARGV;
open(my $in, '<:encoding(UTF-8)', $page) or die "$page: $!\n";
my @lines = <$in>;
close $in;

my %used;
for (@lines) {
  s/([^\x00-\x7f])/$used{ord $1} = 1; sprintf('\\[u%04X]', ord $1)/ge;
}
my @fallbacks = map { sprintf(".fchar \\[u%04X] ?\n", $_) } sort { $a <=> $b } keys %used;
# After the title line: the requests belong to the page's body.
my ($title) = grep { $lines[$_] =~ /^\.TH / } 0 .. $#lines;
splice(@lines, defined $title ? $title + 1 : 0, 0, @fallbacks);

open(my $out, '>', $page) or die "$page: $!\n";
print $out @lines;
close $out or die "$page: $!\n";
