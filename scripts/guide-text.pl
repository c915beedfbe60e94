#!/usr/bin/perl
# The user's guide as a plain text for Notepad, made from docs/guide.md:
#   guide-text.pl VERSION GUIDE.md GUIDE.txt
# writes GUIDE.txt in UTF-8 with a byte-order mark and CR LF line ends (which
# Notepad opens as such on any system), the version in place of @VERSION@.
#   headings    ruled: the title above and below with "=", a section below
#               with "=", a subsection below with "-"
#   tables      columns aligned by their width on screen (a wide character
#               counts two); a table whose first column is too wide for that
#               lists each row as its first cell with the others indented
#   code blocks indented by four blanks, without their fences
#   inline      code spans and bold lose their marks
# Uses Perl's core only (perl-base, on every Debian system).
use strict;
use warnings;
use utf8;

@ARGV == 3 or die "usage: $0 VERSION GUIDE.md GUIDE.txt\n";
my ($version, $source, $target) = @ARGV;

# The widest first column that is still aligned.
my $ALIGNED_LIMIT = 40;

sub width {
    my ($text) = @_;
    my $n = 0;
    $n += /\p{East_Asian_Width=Wide}|\p{East_Asian_Width=Fullwidth}|\p{East_Asian_Width=Ambiguous}/ ? 2 : 1
        for split //, $text;
    return $n;
}

sub inline {
    my ($text) = @_;
    $text =~ s/。\*\* /。/g;  # (a blank that lets the bold end after a full stop)
    $text =~ s/\*\*//g;
    $text =~ s/`//g;
    return $text;
}

sub padded { my ($text, $to) = @_; return $text . ' ' x ($to - width($text)); }

sub cells {
    my ($line) = @_;
    $line =~ s/^\s*\|//;
    $line =~ s/\|\s*$//;
    return map { my $c = $_; $c =~ s/^\s+|\s+$//g; inline($c) } split /\|/, $line;
}

my @out;

sub table {
    my @rows = map { [cells($_)] } grep { !/^\s*\|[\s:|-]+\|\s*$/ } @_;
    my $columns = 0;
    for (@rows) { $columns = @$_ if @$_ > $columns; }
    my @widths = (0) x $columns;
    for my $row (@rows) {
        for my $c (0 .. $#$row) {
            my $w = width($row->[$c]);
            $widths[$c] = $w if $w > $widths[$c];
        }
    }
    if ($widths[0] <= $ALIGNED_LIMIT) {
        my ($header, @body) = @rows;
        my @rules = map { '-' x ($_ < $columns - 1 ? $widths[$_] : width($header->[$_] // '')) } 0 .. $columns - 1;
        for my $row ($header, \@rules, @body) {
            my @shown = map { $_ < $columns - 1 ? padded($row->[$_] // '', $widths[$_]) : $row->[$_] // '' } 0 .. $columns - 1;
            (my $line = join('  ', @shown)) =~ s/\s+$//;
            push @out, $line;
        }
    } else {
        my (undef, @body) = @rows;
        for my $row (@body) {
            push @out, $row->[0];
            push @out, map { "    $_" } grep { $_ ne '' } @$row[1 .. $#$row];
            push @out, '';
        }
        pop @out if @out && $out[-1] eq '';
    }
}

open my $in, '<:utf8', $source or die "$source: $!\n";
my @lines = <$in>;
close $in;
chomp @lines;
for (my $i = 0; $i < @lines; ++$i) {
    my $line = $lines[$i];
    if ($line =~ /^```/) {
        while (++$i < @lines && $lines[$i] !~ /^```/) { push @out, "    $lines[$i]"; }
    } elsif ($line =~ /^\s*\|/) {
        my @block = ($line);
        push @block, $lines[++$i] while $i + 1 < @lines && $lines[$i + 1] =~ /^\s*\|/;
        table(@block);
    } elsif ($line =~ /^(#+)\s+(.*)$/) {
        my $title = inline($2);
        my $rule = ('=', '=', '-')[length($1) - 1] // '-';
        push @out, $rule x width($title) if length($1) == 1;
        push @out, $title, $rule x width($title);
    } else {
        $line =~ s/\@VERSION\@（[^）]*）/$version/;
        push @out, inline($line);
    }
}
open my $file, '>:utf8', $target or die "$target: $!\n";
print $file "\x{FEFF}", map { "$_\r\n" } @out;
close $file or die "$target: $!\n";
