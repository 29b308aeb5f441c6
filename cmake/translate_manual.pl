#!/usr/bin/perl
# translate_manual.pl MANUAL PO OUTPUT: writes the manual with its title and headings in the
# language of the catalogue PO (an untranslated heading stays English), and that language named
# in its <html lang>.
use strict;
use warnings;

my ($manual, $po, $output) = @ARGV;
die "usage: translate_manual.pl MANUAL PO OUTPUT\n" unless defined $output;

sub unquote {
  my ($text) = @_;
  $text =~ s/\\(["\\])/$1/g;
  $text =~ s/\\n/\n/g;
  return $text;
}

my (%translation, $id, $language);
open(my $in, '<:encoding(UTF-8)', $po) or die "$po: $!\n";
while (my $line = <$in>) {
  if ($line =~ /^msgid "(.*)"$/) {
    $id = unquote($1);
  } elsif (defined $id && $line =~ /^msgstr "(.+)"$/) {
    $translation{$id} = unquote($1) if $id ne '';
    undef $id;
  } else {
    $language = $1 if $line =~ /^"Language: ([A-Za-z_]+)\\n"$/;
    undef $id;
  }
}
close($in);

local $/;
open(my $source, '<:encoding(UTF-8)', $manual) or die "$manual: $!\n";
my $text = <$source>;
close($source);
# The headings and the title, and the same texts where the contents list links to them.
my %heading = map { $_ => 1 } ($text =~ m{<(?:h[1-3]|title)[^>]*>([^<]+)</(?:h[1-3]|title)>}g);
for my $english (keys %heading) {
  my $translated = $translation{$english} // next;
  $text =~ s/>\Q$english\E</>$translated</g;
}
if (defined $language) {
  (my $tag = $language) =~ s/_/-/g;
  $text =~ s/<html lang="[^"]*"/<html lang="$tag"/;
}
open(my $out, '>:encoding(UTF-8)', $output) or die "$output: $!\n";
print $out $text;
close($out);
