#!/usr/bin/perl
# The user's guide as a plain text for Notepad, made from docs/guide.md:
#   guide-text.pl VERSION GUIDE.md GUIDE.txt
# writes GUIDE.txt in UTF-8 with a byte-order mark and CR LF line ends (which
# Notepad opens as such on any system), the version in place of @VERSION@.
#   headings    ruled: the title above and below with "=", a section below
#               with "=", a subsection below with "-"
#   prose       each paragraph and list item wrapped at $WIDTH columns on
#               screen (a wide character counts two), list items with a
#               hanging indent; no line begins with a closing mark (、。」)
#               or ends with an opening one, and no word is broken
#   tables      columns aligned by their width on screen, the last column
#               wrapped under itself; a table whose first column is too
#               wide for that lists each row as its first cell with the
#               others indented, each after its column's header (and the
#               headers above the rows)
#   code blocks indented by four blanks, without their fences, as they are
#   inline      code spans and bold lose their marks; a code span is never
#               broken across lines (a user copies it into a one-line field)
#   quote       a block of "> " lines (the help box under the title) framed
#               in a box, one item of it per line, wrapped inside the box
# A note under the title says that the tables line up in a monospaced
# Japanese font.
# Uses Perl's core only (perl-base, on every Debian system).
use strict;
use warnings;
use utf8;

@ARGV == 3 or die "usage: $0 VERSION GUIDE.md GUIDE.txt\n";
my ($version, $source, $target) = @ARGV;

# The widest first column that is still aligned.
my $ALIGNED_LIMIT = 40;
# Where prose is wrapped, and the last column of a table that starts no
# further right than $WRAPPED_COLUMN_LIMIT.
my $WIDTH = 76;
my $WRAPPED_COLUMN_LIMIT = 50;
my $FONT_NOTE = '（この文書の表は、ＭＳ ゴシックなどの等幅の日本語フォントで表示したときに列がそろいます。）';

# Where a code span begins and ends, until the line is written out.
my $CODE = "\x{E000}";

sub width {
    my ($text) = @_;
    my $n = 0;
    for (split //, $text) {
        next if $_ eq $CODE;
        $n += /\p{East_Asian_Width=Wide}|\p{East_Asian_Width=Fullwidth}|\p{East_Asian_Width=Ambiguous}/ ? 2 : 1;
    }
    return $n;
}

sub inline {
    my ($text) = @_;
    $text =~ s/。\*\* /。/g;  # (a blank that lets the bold end after a full stop)
    $text =~ s/\*\*//g;
    $text =~ s/`/$CODE/g;
    return $text;
}

sub padded { my ($text, $to) = @_; return $text . ' ' x ($to - width($text)); }

sub wide { my ($c) = @_; return width($c) == 2; }

# Marks a line may not begin with, and those it may not end with.
my $NO_START = qr/[、。，．・：；？！）」』】〕］｝〉》ー々ぁぃぅぇぉっゃゅょゎァィゥェォッャュョヮ…,.:;!?)\]}%]/;
my $NO_END = qr/[（「『【〔［｛〈《(\[{]/;

# The text in lines of at most $width columns: the first after $first, the
# others after $rest (two prefixes of blanks or list marks). A piece that
# cannot be broken (a word, a path) longer than a line stands alone.
sub wrapped {
    my ($text, $first, $rest, $width) = @_;
    # Pieces that are never broken: a run of narrow characters without a
    # blank, or one wide character; each with whether a break may come
    # before it, and whether a blank stood there.
    my @pieces;
    my $blank = 0;
    my $code = 0;
    my $fresh = 0;
    for my $c (split //, $text) {
        if ($c eq $CODE) { $code = !$code; $fresh = $code; next; }
        my $last = @pieces ? $pieces[-1] : undef;
        # Inside a code span everything joins its first character, blanks
        # too; the span itself may begin a line.
        if ($code && !$fresh) { $last->{text} .= $c; next; }
        if ($c eq ' ') { $blank = 1; next; }
        if ($code) {
            $fresh = 0;
            my $breakable = $last && ($blank || substr($last->{text}, -1) !~ /^$NO_END$/);
            push @pieces, {text => $c, breakable => $breakable ? 1 : 0, blank => $blank, code => 1};
            $blank = 0;
            next;
        }
        if ($last && $last->{code}) {
            # After a code span a closing mark stays with it.
            my $breakable = $blank || $c !~ /^$NO_START$/;
            push @pieces, {text => $c, breakable => $breakable ? 1 : 0, blank => $blank};
            $blank = 0;
            next;
        }
        if ($last && !$blank && !wide($c) && !wide(substr($last->{text}, -1))) {
            $last->{text} .= $c;
        } else {
            my $breakable = $last && ($blank || !($c =~ /^$NO_START$/ || substr($last->{text}, -1) =~ /^$NO_END$/));
            push @pieces, {text => $c, breakable => $breakable ? 1 : 0, blank => $blank};
        }
        $blank = 0;
    }
    # Pieces that must stay together are joined into chunks.
    my @chunks;
    for my $p (@pieces) {
        if (@chunks && !$p->{breakable}) {
            $chunks[-1]{text} .= ($p->{blank} ? ' ' : '') . $p->{text};
        } else {
            push @chunks, {%$p};
        }
    }
    my @lines;
    my $line = $first;
    my $empty = 1;
    for my $chunk (@chunks) {
        my $join = $empty ? '' : ($chunk->{blank} ? ' ' : '');
        if (!$empty && width($line . $join . $chunk->{text}) > $width) {
            push @lines, $line;
            $line = $rest;
            $join = '';
        }
        $line .= $join . $chunk->{text};
        $empty = 0;
    }
    push @lines, $line;
    return @lines;
}

sub cells {
    my ($line) = @_;
    $line =~ s/^\s*\|//;
    $line =~ s/\|\s*$//;
    return map { my $c = $_; $c =~ s/^\s+|\s+$//g; inline($c) } split /\|/, $line;
}

my @out;

# The help box: each item (a line of the quote) wrapped inside a frame of
# box-drawing characters, which a Japanese font draws two columns wide.
sub box {
    my $inner = $WIDTH - 4;
    push @out, '┌' . '─' x ($inner / 2 + 1) . '┐';
    for my $item (@_) {
        my $text = inline($item);
        my ($first, $rest) = ('', '');
        if ($text =~ s/^(\d+\.\s+)//) { ($first, $rest) = ($1, ' ' x width($1)); }
        push @out, map { '│ ' . padded($_, $inner) . ' │' } wrapped($text, $first, $rest, $inner);
    }
    push @out, '└' . '─' x ($inner / 2 + 1) . '┘';
}

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
        my $lastStart = 0;
        $lastStart += $widths[$_] + 2 for 0 .. $columns - 2;
        for my $row ($header, \@rules, @body) {
            my @shown = map { $_ < $columns - 1 ? padded($row->[$_] // '', $widths[$_]) : '' } 0 .. $columns - 1;
            my $front = join('  ', @shown);
            my $last = $row->[$columns - 1] // '';
            if ($lastStart <= $WRAPPED_COLUMN_LIMIT && $last ne '') {
                my @lines = wrapped($last, $front, ' ' x $lastStart, $WIDTH);
                push @out, @lines;
            } else {
                (my $line = $front . $last) =~ s/\s+$//;
                push @out, $line;
            }
        }
    } else {
        my ($header, @body) = @rows;
        # The headers once above the rows, as the first column has no label.
        my $names = join('／', grep { $_ ne '' } @$header);
        push @out, $names, '-' x width($names);
        for my $row (@body) {
            push @out, wrapped($row->[0], '', '', $WIDTH);
            for my $c (1 .. $#$row) {
                next if $row->[$c] eq '';
                my $label = ($header->[$c] // '') . '：';
                push @out, wrapped($label . $row->[$c], '    ', '      ', $WIDTH);
            }
            push @out, '';
        }
        pop @out if @out && $out[-1] eq '';
    }
}

open my $in, '<:utf8', $source or die "$source: $!\n";
my @lines = <$in>;
close $in;
chomp @lines;
# Japanese marks that take no blank beside them.
my $JOINS = qr/[、。，．・：；？！（）「」『』【】〔〕［］｛｝〈〉《》]/;
# A line that goes on the paragraph or list item above it.
sub continues {
    my ($line) = @_;
    return $line !~ /^\s*$/ && $line !~ /^```/ && $line !~ /^>/ && $line !~ /^\s*\|/ && $line !~ /^#/ && $line !~ /^\s*(?:[-*]|\d+\.)\s/;
}
# Lines of one paragraph joined: no blank where two wide characters meet at
# the line break (Japanese runs on), one where a narrow one does
sub joined {
    my $text = shift;
    for my $next (@_) {
        $next =~ s/^\s+//;
        $text =~ s/\s+$//;
        # (and between Japanese and a Latin word or code, the blank that
        # the source has at the line break; none beside a Japanese mark)
        my ($before, $after) = (substr($text, -1), substr($next, 0, 1));
        my $blank = !(wide($before) && wide($after)) && $before !~ /^$JOINS$/ && $after !~ /^$JOINS$/;
        $text .= ($blank ? ' ' : '') . $next;
    }
    return $text;
}
my $titled = 0;
for (my $i = 0; $i < @lines; ++$i) {
    my $line = $lines[$i];
    if ($line =~ /^```/) {
        while (++$i < @lines && $lines[$i] !~ /^```/) { push @out, "    $lines[$i]"; }
    } elsif ($line =~ /^>/) {
        my @items;
        for (; $i < @lines && $lines[$i] =~ /^>\s?(.*)$/; ++$i) { push @items, $1; }
        --$i;
        box(@items);
    } elsif ($line =~ /^\s*\|/) {
        my @block = ($line);
        push @block, $lines[++$i] while $i + 1 < @lines && $lines[$i + 1] =~ /^\s*\|/;
        table(@block);
    } elsif ($line =~ /^(#+)\s+(.*)$/) {
        my $title = inline($2);
        my $rule = ('=', '=', '-')[length($1) - 1] // '-';
        push @out, $rule x width($title) if length($1) == 1;
        push @out, $title, $rule x width($title);
    } elsif ($line =~ /^\s*$/) {
        push @out, '';
    } else {
        my @paragraph = ($line);
        push @paragraph, $lines[++$i] while $i + 1 < @lines && continues($lines[$i + 1]);
        my $text = joined(@paragraph);
        my ($first, $rest) = ('', '');
        if ($text =~ s/^(\s*(?:[-*]|\d+\.)\s+)//) {
            $first = $1;
            $rest = ' ' x width($first);
        } elsif ($text =~ s/^(\s+)//) {
            ($first, $rest) = ($1, $1);
        }
        my $versioned = $text =~ s/\@VERSION\@（[^）]*）/$version/;
        push @out, wrapped(inline($text), $first, $rest, $WIDTH);
        # The note on the font, under the version line.
        if ($versioned && !$titled) {
            push @out, wrapped($FONT_NOTE, '', '', $WIDTH);
            $titled = 1;
        }
    }
}
open my $file, '>:utf8', $target or die "$target: $!\n";
s/$CODE//g for @out;
print $file "\x{FEFF}", map { "$_\r\n" } @out;
close $file or die "$target: $!\n";
