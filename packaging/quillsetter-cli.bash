# bash completion for quillsetter-cli. The commands and each command's options come from the
# program's own help, so that they are always those of the installed program.
_quillsetter_cli() {
  local cur=${COMP_WORDS[COMP_CWORD]}
  local prev=${COMP_WORDS[COMP_CWORD-1]}
  local program=${COMP_WORDS[0]}
  COMPREPLY=()

  local commands
  commands=$("$program" --help 2>/dev/null |
    sed -n '/^Commands:/,/^$/s/^  \([a-z-]*\) .*/\1/p' | tr '\n' ' ')
  local command="" word
  for word in "${COMP_WORDS[@]:1:COMP_CWORD-1}"; do
    if [[ " "$commands" " == *" $word "* ]]; then
      command=$word
      break
    fi
  done

  case $prev in
    --port)
      local names
      names=$("$program" ports --json 2>/dev/null | grep -o '"name":"[^"]*"' | cut -d'"' -f4)
      COMPREPLY=($(compgen -W "$names" -- "$cur"))
      [[ $cur == */* ]] && COMPREPLY+=($(compgen -f -- "$cur"))
      return ;;
    --baud)
      COMPREPLY=($(compgen -W "1200 2400 4800 9600 19200 38400 57600 115200" -- "$cur"))
      return ;;
    --code-page)
      COMPREPLY=($(compgen -W "$(seq 0 19)" -- "$cur"))
      return ;;
    --log)
      COMPREPLY=($(compgen -f -- "$cur"))
      return ;;
    --model | --text | --pause-ms)
      return ;;
  esac

  if [[ -z $command ]]; then
    COMPREPLY=($(compgen -W "$commands --help --version" -- "$cur"))
  elif [[ $cur == -* ]]; then
    local options
    options=$("$program" "$command" --help 2>/dev/null | grep -oE -- '--[a-z-]+' | sort -u)
    COMPREPLY=($(compgen -W "$options" -- "$cur"))
  else
    # The settings file of apply and batch, the log of log.
    COMPREPLY=($(compgen -f -- "$cur"))
  fi
} && complete -o filenames -F _quillsetter_cli quillsetter-cli
